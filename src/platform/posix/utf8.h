// UTF-8, the encoding of the terminal, the command line and names on Linux.
#pragma once

#include <string>
#include <string_view>

namespace winreach {

std::string EncodeUtf8(std::wstring_view text);

// Bytes that are not UTF-8 become U+FFFD, one per byte.
std::wstring DecodeUtf8(std::string_view bytes);

// At most `max_bytes` of `text` in UTF-8, cut before a character that would
// not fit whole.
std::string EncodeUtf8Bounded(std::wstring_view text, size_t max_bytes);

}  // namespace winreach
