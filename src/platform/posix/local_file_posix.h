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

// The descriptor limit raised to its hard limit; the soft limit after.
size_t RaiseDescriptorLimit();

}  // namespace winreach
