#include "driver/usage.h"

#include "driver/run.h"
#include "platform/format.h"

namespace winreach {

namespace {

constexpr wchar_t kShortUsage[] =
    L"Usage: winreach [COMPUTER]\n"
    L"       winreach [--json] [--exit-status] [--verbose] [--explain] COMPUTER\n"
    L"       winreach [--json | --csv] [--jobs N] [--resume FILE] [--exit-status]\n"
    L"                [--explain] (COMPUTER COMPUTER... | --targets FILE)\n"
    L"       winreach [--nagios] [--prometheus FILE] [fleet options]\n"
    L"                (COMPUTER... | --targets FILE)\n";

}  // namespace

std::wstring ProductNotice() {
  return L"winreach " + ProductVersion() + L" - remote Windows computer connectivity test";
}

std::wstring ProductVersion() { return L"" WINREACH_VERSION; }

bool IsUsageRequest(std::wstring_view argument) {
  return argument == L"-h" || argument == L"--help" || argument == L"/?" || argument == L"-?" ||
         argument == L"--version";
}

bool IsUnknownOption(std::wstring_view argument) {
  return !argument.empty() && argument.front() == L'-' && !IsUsageRequest(argument);
}

std::wstring UnknownOptionText(std::wstring_view argument) {
  return L"winreach: unknown option " + PrintableText(argument) + L"\n" + kShortUsage;
}

std::wstring UsageText(std::wstring_view argument) {
  if (argument == L"--version") return ProductNotice() + L"\n";
  return std::wstring(kShortUsage) +
         L"\n"
         L"Checks whether the remote Windows computer COMPUTER (a name or an IPv4\n"
         L"address) can be reached and administered over the network: name\n"
         L"resolution, NetBIOS adapter status, ping (IPv4, then IPv6), server\n"
         L"information, remote registry, the ADMIN$ share and the service control\n"
         L"manager. Each check prints its result; nothing is changed on COMPUTER.\n"
         L"\n"
         L"Without COMPUTER, asks for the name and waits for a key at the end.\n"
         L"Remote checks run with the rights of the user who starts the tool.\n"
         L"When credentials were offered but the server took the logon as\n"
         L"anonymous or as its guest, standard error says so.\n"
         L"\n"
         L"  --json         print one JSON document (one line) with every check's\n"
         L"                 outcome, code, detail and time instead of the text;\n"
         L"                 needs COMPUTER\n"
         L"  --exit-status  exit 0 when every check passed, 1 when some failed, 2\n"
         L"                 when the name did not resolve and no remote check\n"
         L"                 passed (without it the exit code is always 0)\n"
         L"  --verbose      once the first connection is made, tell on standard\n"
         L"                 error the server's address and port, the SMB dialect,\n"
         L"                 signing or encryption, and the logon: Kerberos, NTLM or\n"
         L"                 anonymous, and as whom\n"
         L"  --explain      end with a verdict (can this account administer COMPUTER\n"
         L"                 from here, and if not, what stops it) and, for each\n"
         L"                 failed check, what its code means, the likely cause and\n"
         L"                 what to look at next (also without COMPUTER); with\n"
         L"                 --json, as members of the document\n"
         L"\n"
         L"Several computers, or any of the options below, check many computers at\n"
         L"once and print one line per computer as it finishes, then a summary:\n"
         L"\n"
         L"  --targets FILE one computer a line (\"-\": standard input); blank lines\n"
         L"                 and lines starting with # are skipped, and a name met\n"
         L"                 again (in any case) is checked once\n"
         L"  --jobs N       at most N computers at once (default 32)\n"
         L"  --csv          a header row, then one row per computer: target,\n"
         L"                 address, verdict, and each check's code (empty when it\n"
         L"                 passed)\n"
         L"  --resume FILE  skip the computers with a record in FILE and append\n"
         L"                 each new record to it (JSON Lines), so that a stopped\n"
         L"                 run can go on where it stopped\n"
         L"  with --json, one document a line (JSON Lines); with --exit-status, the\n"
         L"  worst of all computers\n"
         L"\n"
         L"For monitoring, with one computer or many:\n"
         L"\n"
         L"  --nagios       print what a Nagios, Icinga or Naemon plugin prints\n"
         L"                 instead of the lines: \"WINREACH OK - \" and the verdict,\n"
         L"                 performance data (the run's and each check's time, the\n"
         L"                 failed checks), then a line per failed check or, for\n"
         L"                 several computers, per computer; exit 0 (OK) when the\n"
         L"                 computer can be administered, 1 (WARNING) in part, 2\n"
         L"                 (CRITICAL) when it cannot, does not answer or does not\n"
         L"                 resolve (of several, the worst), 3 (UNKNOWN) for a usage\n"
         L"                 error or a fault of this computer's own\n"
         L"  --prometheus FILE  also write the results for Prometheus' textfile\n"
         L"                 collector to FILE (a temporary file beside it, renamed\n"
         L"                 over it); the output and exit code stay as they are\n"
         L"\n"
         L"  -h, --help     show this text\n"
         L"  --version      show the version\n";
}

std::wstring NameTooLongText(size_t length) {
  return L"winreach: the name is " + Unsigned(static_cast<uint32_t>(length)) +
         L" characters long; a computer name has at most " +
         Unsigned(static_cast<uint32_t>(kMaxTargetName)) + L" characters\n";
}

std::wstring OptionNeedsValueText(std::wstring_view option) {
  return L"winreach: " + PrintableText(option) + L" needs a value\n" + kShortUsage;
}

std::wstring BadJobsText(std::wstring_view value) {
  return L"winreach: --jobs takes a number from 1 to " +
         Unsigned(static_cast<uint32_t>(kMostJobs)) + L", not " + PrintableText(value) + L"\n";
}

std::wstring FleetWithoutComputersText() {
  return std::wstring(L"winreach: name the computers, or give --targets FILE\n") + kShortUsage;
}

std::wstring CsvWithJsonText() { return L"winreach: --csv and --json exclude each other\n"; }

std::wstring NagiosExcludesText() {
  return L"winreach: --nagios excludes --json, --csv and --explain\n";
}

std::wstring NagiosWithoutNameText() {
  return std::wstring(L"winreach: --nagios needs the computers on the command line\n") +
         kShortUsage;
}

std::wstring JsonWithoutNameText() {
  return std::wstring(L"winreach: --json needs the computer's name on the command line\n") +
         kShortUsage;
}

}  // namespace winreach
