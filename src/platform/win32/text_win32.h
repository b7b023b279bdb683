// Conversions between the logic's wide strings (UTF-16 on Windows) and the
// 8-bit encodings the console and the resolver use.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/native_types.h"

namespace winreach {

// Wide text in the 8-bit code page `code_page` (CP_UTF8, CP_ACP, ...), at most
// `max_bytes` bytes, cut between whole characters without notice.
std::string NarrowFromWide(std::wstring_view text, UINT code_page, size_t max_bytes);

// Wide text in `code_page` whole, or nothing when the code page lacks one of
// its characters (no look-alike stands in for it), when it holds a zero
// character, or when it takes more than `max_bytes` bytes.
std::optional<std::string> WholeNarrowFromWide(std::wstring_view text, UINT code_page,
                                               size_t max_bytes);

// 8-bit text of `code_page` as wide text.
std::wstring WideFromNarrow(std::string_view text, UINT code_page);

}  // namespace winreach
