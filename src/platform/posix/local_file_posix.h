// Local files on Linux: a descriptor opened with O_APPEND for the record
// file, so that each appended line is one write(2) at the file's end.
#pragma once

#include <memory>
#include <string_view>

#include "platform/local_file.h"

namespace winreach {

// `path` is UTF-8 once decoded from the wide argument; null when it cannot
// be opened.
std::unique_ptr<LocalFile> OpenPosixLocalFile(std::wstring_view path, LocalFileMode mode);

// Writes `bytes` to a new file beside `path` (mode 0644, synced) and renames
// it over `path`; false, with the new file removed, when that failed.
bool ReplacePosixLocalFile(std::wstring_view path, std::string_view bytes);

// The descriptor limit raised to its hard limit; the soft limit after.
size_t RaiseDescriptorLimit();

}  // namespace winreach
