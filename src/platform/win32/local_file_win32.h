// Local files on Windows: a handle opened for appending data, so that each
// appended line is one WriteFile at the file's end.
#pragma once

#include <memory>
#include <string_view>

#include "platform/local_file.h"

namespace winreach {

// Null when the file cannot be opened.
std::unique_ptr<LocalFile> OpenWin32LocalFile(std::wstring_view path, LocalFileMode mode);

}  // namespace winreach
