// The texts about the program itself: the product notice, the usage text and
// the refusal of an over-long name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace winreach {

// The banner's product notice: the tool's name and version.
std::wstring ProductNotice();

// True for an argument that asks for help or the version instead of naming a
// computer (none of these can be a host name).
bool IsUsageRequest(std::wstring_view argument);

// What to print for such an argument.
std::wstring UsageText(std::wstring_view argument);

// The diagnostic for a name of `length` characters that is too long.
std::wstring NameTooLongText(size_t length);

}  // namespace winreach
