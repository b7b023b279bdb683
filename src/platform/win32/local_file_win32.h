// Local files on Windows: a handle opened for appending data, so that each
// appended line is one WriteFile at the file's end.
#pragma once

#include <memory>
#include <string_view>

#include "platform/local_file.h"

namespace winreach {

// Null when the file cannot be opened.
std::unique_ptr<LocalFile> OpenWin32LocalFile(std::wstring_view path, LocalFileMode mode);

// Writes `bytes` to a new file beside `path` and moves it over `path`
// (MoveFileEx, replacing); false, with the new file deleted, when that failed.
bool ReplaceWin32LocalFile(std::wstring_view path, std::string_view bytes);

}  // namespace winreach
