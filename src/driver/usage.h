// The texts about the program itself: the product notice, the usage text and
// the refusal of an over-long name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace winreach {

// The banner's product notice: the tool's name and version.
std::wstring ProductNotice();

// The version alone, as the JSON report carries it.
std::wstring ProductVersion();

// The exit code of a command line that cannot be run as given.
inline constexpr int kUsageError = 64;

// True for an argument that asks for help or the version instead of naming a
// computer (none of these can be a host name).
bool IsUsageRequest(std::wstring_view argument);

// True for an argument that looks like an option but is none of ours: no
// computer's name begins with '-'.
bool IsUnknownOption(std::wstring_view argument);

// The diagnostic for such an argument, with the usage.
std::wstring UnknownOptionText(std::wstring_view argument);

// What to print for such an argument.
std::wstring UsageText(std::wstring_view argument);

// The diagnostic for a name of `length` characters that is too long.
std::wstring NameTooLongText(size_t length);

// The most computers at once --jobs takes.
inline constexpr size_t kMostJobs = 4096;

// The diagnostics for an option without its value, a --jobs count that is
// none, options for many computers without any, and --csv with --json.
std::wstring OptionNeedsValueText(std::wstring_view option);
std::wstring BadJobsText(std::wstring_view value);
std::wstring FleetWithoutComputersText();
std::wstring CsvWithJsonText();

// The diagnostics for --nagios with an option whose output it would mix
// with its own, and for --nagios without computers.
std::wstring NagiosExcludesText();
std::wstring NagiosWithoutNameText();

// The diagnostic for --json without a computer's name.
std::wstring JsonWithoutNameText();

}  // namespace winreach
