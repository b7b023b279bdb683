#include "driver/run.h"

#include <chrono>
#include <string>

#include "checks/adapter_status.h"
#include "checks/admin_share_and_scm.h"
#include "checks/remote_registry.h"
#include "checks/server_info.h"
#include "driver/explain.h"
#include "driver/quiet_platform.h"
#include "driver/report.h"
#include "driver/session_text.h"
#include "driver/usage.h"
#include "ping/ping_libraries.h"
#include "platform/format.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

constexpr uint16_t kWinsockVersion = 0x0202;
constexpr int32_t kPingTimeoutMs = 1000;

// Obtains the target's name from the first argument or, without one, from
// the prompt. Returns the name's full length, which may exceed what is kept.
size_t ObtainTargetName(Console& console, const std::vector<std::wstring>& arguments,
                        std::wstring* target) {
  if (!arguments.empty()) {
    *target = arguments.front().substr(0, kMaxTargetName);
    return arguments.front().size();
  }
  console.Write(L"Remote computer name:");
  size_t length = 0;
  if (!console.ReadWord(target, kMaxTargetName, &length)) {
    target->clear();
    return 0;
  }
  // A typed zero character ends the name, as it ends the string that every
  // operating-system call takes: the banner then shows the name that every
  // check uses, instead of checks that disagree about where it ends.
  if (const size_t zero = target->find(L'\0'); zero != std::wstring::npos) {
    target->resize(zero);
    length = zero;
  }
  return length;
}

void PrintBanner(Platform& platform, std::wstring_view target) {
  const std::wstring display = platform.system().UpperCase(target);
  const std::wstring local = platform.system().ComputerName();
  platform.console().Write(L"\n" + ProductNotice() +
                           L"\nTesting network connectivity to the remote computer " + display +
                           L"\nLocal computer: " + local + L"\n\n");
}

// Resolves the name, prints the address and host name, and asks the
// address for its NetBIOS adapter status; the outcomes "resolve" and, once
// resolved, "netbios".
std::vector<CheckOutcome> ReportNameResolution(Platform& platform, std::wstring_view target) {
  const Stopwatch stopwatch(platform.system());
  // A name the code page cannot carry whole is not looked up at all: its
  // cut or altered form would be another computer's name (the empty one
  // is this computer's). No host is known by it.
  const std::optional<std::string> eight_bit_name =
      platform.system().ToCodePage(target, kMaxEightBitName);
  const std::optional<HostEntry> host =
      eight_bit_name ? platform.sockets().GetHostByName(*eight_bit_name) : std::nullopt;
  if (!host) {
    const uint32_t code =
        eight_bit_name ? platform.sockets().LastError() : status::kWsaHostNotFound;
    platform.console().Write(L"Name resolution problem! Error code: " + Hex8(code) + L"\n");
    return {stopwatch.Failed("resolve", code)};
  }
  const auto& a = host->first_address;
  std::string dotted = Unsigned8(a[0]) + "." + Unsigned8(a[1]) + "." + Unsigned8(a[2]) + "." +
                       Unsigned8(a[3]);
  const std::wstring address = Unsigned(a[0]) + L"." + Unsigned(a[1]) + L"." + Unsigned(a[2]) +
                              L"." + Unsigned(a[3]);
  platform.console().Write(L"IP address: " + address + L"\n");
  const std::wstring host_name =
      host->official_name ? platform.system().FromCodePage(*host->official_name) : L"?";
  platform.console().Write(L"Host name: " + host_name + L"\n");
  std::vector<CheckOutcome> outcomes = {
      stopwatch.Passed("resolve").With("address", address).With("host_name", host_name)};
  outcomes.push_back(ShowAdapterStatus(platform, dotted));
  return outcomes;
}

CheckOutcome ReportPing(Platform& platform, const PingLibraries& libraries,
                        std::wstring_view target) {
  const Stopwatch stopwatch(platform.system());
  PingDetail detail;
  const bool answered = PingTarget(platform, libraries, target, kPingTimeoutMs, &detail) != 0;
  platform.console().Write(answered ? L"Ping OK!\n" : L"Unable to ping the computer!\n");
  CheckOutcome outcome =
      answered ? stopwatch.Passed("ping") : stopwatch.Failed("ping", detail.code);
  if (detail.method != nullptr) outcome.With("method", detail.method);
  if (detail.family != nullptr) outcome.With("family", detail.family);
  if (detail.round_trip_ms) outcome.With("round_trip_ms", int64_t{*detail.round_trip_ms});
  return outcome;
}

// The options for programs; every other argument keeps its place.
struct Options {
  bool json = false;
  bool exit_status = false;
  bool verbose = false;
  bool explain = false;
  std::vector<std::wstring> arguments;
};

Options ParseOptions(const std::vector<std::wstring>& arguments) {
  Options options;
  for (const std::wstring& argument : arguments) {
    if (argument == L"--json") {
      options.json = true;
    } else if (argument == L"--exit-status") {
      options.exit_status = true;
    } else if (argument == L"--verbose") {
      options.verbose = true;
    } else if (argument == L"--explain") {
      options.explain = true;
    } else {
      options.arguments.push_back(argument);
    }
  }
  return options;
}

int64_t UnixMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void Pause(Console& console) {
  console.Write8("Press any key to continue");
  console.WaitForKey();
  console.Write8("\n");
}

}  // namespace

int ConnectivityTest(Platform& platform, const std::vector<std::wstring>& all_arguments) {
  const Options options = ParseOptions(all_arguments);
  const std::vector<std::wstring>& arguments = options.arguments;
  if (!arguments.empty() && IsUsageRequest(arguments.front())) {
    platform.console().Write(UsageText(arguments.front()));
    return 0;
  }
  // No computer's name begins with '-': such an argument is a mistyped
  // option, never a computer to test.
  for (const std::wstring& argument : arguments) {
    if (IsUnknownOption(argument)) {
      platform.console().WriteError(UnknownOptionText(argument));
      return kUsageError;
    }
  }
  // A program reading the document cannot answer a prompt.
  if (options.json && arguments.empty()) {
    platform.console().WriteError(JsonWithoutNameText());
    return kUsageError;
  }

  // The JSON report's checks print their lines nowhere.
  QuietPlatform quiet(platform);
  Platform& checks = options.json ? static_cast<Platform&>(quiet) : platform;
  Console& console = checks.console();
  const int64_t started = UnixMilliseconds();
  const Stopwatch run(platform.system());

  PingLibraries ping_libraries;
  LoadPingLibraries(checks, ping_libraries);
  const bool interactive = arguments.empty();
  std::wstring target;
  const size_t length = ObtainTargetName(console, arguments, &target);

  // A longer name would not fit in the machine path, and a cut one would
  // test some other computer: refuse it before anything goes out.
  if (length > kMaxTargetName) {
    console.WriteError(NameTooLongText(length));
    FreePingLibraries(checks, ping_libraries);
    if (interactive) Pause(console);
    return options.exit_status ? kUnresolved : 0;
  }

  PrintBanner(checks, target);

  std::vector<CheckOutcome> outcomes;
  bool remote_checks_ran = false;
  const auto first_connection = [&]() {
    return remote_checks_ran ? platform.session().FirstConnection() : std::nullopt;
  };
  const auto explanation = [&]() {
    return ExplainRun(outcomes, first_connection(), platform.system());
  };
  // The text report's explanation follows the last check line.
  const auto explain = [&]() {
    if (options.explain) console.Write(ExplanationText(explanation()));
  };
  const auto finish = [&]() {
    if (options.json) {
      RunFacts facts{ProductVersion(), target, platform.system().ComputerName(), started,
                     run.ElapsedMs(), first_connection()};
      std::optional<RunExplanation> explained;
      if (options.explain) explained = explanation();
      platform.console().Write8(JsonReport(facts, outcomes, explained ? &*explained : nullptr));
    }
    return options.exit_status ? ExitStatusOf(outcomes) : 0;
  };

  const Stopwatch startup_time(platform.system());
  const uint32_t startup = checks.sockets().Startup(kWinsockVersion);
  if (startup != 0) {
    console.Write(L"Unable to intialize Windows sockets. Error code: " + Hex8(startup) + L"\n");
    outcomes.push_back(startup_time.Failed("startup", startup));
    explain();
    return finish();
  }

  for (CheckOutcome& outcome : ReportNameResolution(checks, target)) {
    outcomes.push_back(std::move(outcome));
  }
  outcomes.push_back(ReportPing(checks, ping_libraries, target));

  // Once the first connection has come about, standard error tells whose
  // rights the remote checks run with (--verbose), and that offered
  // credentials went unused (always).
  remote_checks_ran = true;
  bool session_told = false;
  const auto tell_session = [&]() {
    if (session_told) return;
    const std::optional<SessionFacts> session = platform.session().FirstConnection();
    if (!session) return;
    session_told = true;
    if (options.verbose) platform.console().WriteError(SessionLine(*session));
    if (const auto warning = UnusedCredentialsWarning(*session)) {
      platform.console().WriteError(*warning);
    }
  };
  const std::wstring machine_path = L"\\\\" + target;
  for (auto* check : {&CheckServerInfo, &CheckRemoteRegistry}) {
    for (CheckOutcome& outcome : check(checks, machine_path)) {
      outcomes.push_back(std::move(outcome));
    }
    tell_session();
  }
  outcomes.push_back(CheckAdminShare(checks, machine_path));
  tell_session();
  outcomes.push_back(CheckServiceManager(checks, machine_path));
  tell_session();

  FreePingLibraries(checks, ping_libraries);
  checks.sockets().Cleanup();
  explain();
  if (interactive) Pause(console);
  return finish();
}

}  // namespace winreach
