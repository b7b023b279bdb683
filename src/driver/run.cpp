#include "driver/run.h"

#include <chrono>
#include <string>

#include "checks/adapter_status.h"
#include "checks/admin_share_and_scm.h"
#include "checks/remote_registry.h"
#include "checks/server_info.h"
#include "driver/engine.h"
#include "driver/explain.h"
#include "driver/fleet.h"
#include "driver/monitoring.h"
#include "driver/quiet_platform.h"
#include "driver/report.h"
#include "driver/session_text.h"
#include "driver/usage.h"
#include "ping/ping_libraries.h"
#include "platform/buffered_console.h"
#include "platform/forwarding_platform.h"
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

// Resolves the name and prints the address and host name: the outcome
// "resolve", and the dotted address that the NetBIOS query asks, once
// resolved.
CheckOutcome ReportNameResolution(Platform& platform, std::wstring_view target,
                                  std::optional<std::string>* dotted) {
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
    return stopwatch.Failed("resolve", code);
  }
  const auto& a = host->first_address;
  *dotted = Unsigned8(a[0]) + "." + Unsigned8(a[1]) + "." + Unsigned8(a[2]) + "." +
            Unsigned8(a[3]);
  const std::wstring address = Unsigned(a[0]) + L"." + Unsigned(a[1]) + L"." + Unsigned(a[2]) +
                              L"." + Unsigned(a[3]);
  platform.console().Write(L"IP address: " + address + L"\n");
  const std::wstring host_name =
      host->official_name ? platform.system().FromCodePage(*host->official_name) : L"?";
  platform.console().Write(L"Host name: " + host_name + L"\n");
  return stopwatch.Passed("resolve").With("address", address).With("host_name", host_name);
}

// The platform of one check that runs beside others: every area is the
// run's, but its lines wait in a console of their own until their turn.
class BesidePlatform : public ForwardingPlatform {
 public:
  explicit BesidePlatform(Platform& platform) : ForwardingPlatform(platform) {}
  Console& console() override { return lines; }
  BufferedConsole lines;
};

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

// The value of an option that takes one: "--jobs 8" or "--jobs=8". Moves
// `i` past what it used; nothing when `arguments[i]` is not `name`.
std::optional<std::wstring> OptionValue(const std::vector<std::wstring>& arguments, size_t& i,
                                        std::wstring_view name, bool* missing) {
  const std::wstring& argument = arguments[i];
  if (argument == name) {
    if (i + 1 == arguments.size()) {
      *missing = true;
      return std::nullopt;
    }
    return arguments[++i];
  }
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
      argument[name.size()] == L'=') {
    return argument.substr(name.size() + 1);
  }
  return std::nullopt;
}

// A count of computers at once: 1 to kMostJobs, in decimal digits.
std::optional<size_t> ParseJobs(std::wstring_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  size_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<size_t>(c - L'0');
  }
  if (value == 0 || value > kMostJobs) return std::nullopt;
  return value;
}

void Pause(Console& console) {
  console.Write8("Press any key to continue");
  console.WaitForKey();
  console.Write8("\n");
}

}  // namespace

int64_t UnixMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::optional<CommandLine> ParseCommandLine(Console& console,
                                            const std::vector<std::wstring>& arguments) {
  CommandLine line;
  bool jobs_given = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    bool missing = false;
    if (argument == L"--json") {
      line.run.json = true;
    } else if (argument == L"--exit-status") {
      line.run.exit_status = true;
    } else if (argument == L"--verbose") {
      line.run.verbose = true;
    } else if (argument == L"--explain") {
      line.run.explain = true;
    } else if (argument == L"--csv") {
      line.csv = true;
    } else if (argument == L"--nagios") {
      line.nagios = true;
    } else if (auto file = OptionValue(arguments, i, L"--prometheus", &missing)) {
      line.prometheus = *file;
    } else if (auto file = OptionValue(arguments, i, L"--targets", &missing)) {
      line.targets = *file;
    } else if (auto file = OptionValue(arguments, i, L"--resume", &missing)) {
      line.resume = *file;
    } else if (auto count = OptionValue(arguments, i, L"--jobs", &missing)) {
      const std::optional<size_t> jobs = ParseJobs(*count);
      if (!jobs) {
        console.WriteError(BadJobsText(*count));
        return std::nullopt;
      }
      line.jobs = *jobs;
      jobs_given = true;
    } else if (missing) {
      console.WriteError(OptionNeedsValueText(argument));
      return std::nullopt;
    } else if (IsUsageRequest(argument)) {
      if (!line.usage) line.usage = argument;
    } else {
      line.computers.push_back(argument);
    }
  }
  if (line.usage) return line;
  // No computer's name begins with '-': such an argument is a mistyped
  // option, never a computer to test.
  for (const std::wstring& argument : line.computers) {
    if (IsUnknownOption(argument)) {
      console.WriteError(UnknownOptionText(argument));
      return std::nullopt;
    }
  }
  line.fleet = line.computers.size() > 1 || line.targets || jobs_given || line.csv ||
               line.resume;
  // A program reading the document cannot answer a prompt.
  if (line.run.json && line.computers.empty() && !line.targets) {
    console.WriteError(JsonWithoutNameText());
    return std::nullopt;
  }
  if (line.fleet && line.computers.empty() && !line.targets) {
    console.WriteError(FleetWithoutComputersText());
    return std::nullopt;
  }
  if (line.csv && line.run.json) {
    console.WriteError(CsvWithJsonText());
    return std::nullopt;
  }
  // The plugin's output is the whole of standard output, and the engine
  // that runs it answers no prompt.
  if (line.nagios && (line.run.json || line.csv || line.run.explain)) {
    console.WriteError(NagiosExcludesText());
    return std::nullopt;
  }
  if (line.nagios && line.computers.empty() && !line.targets) {
    console.WriteError(NagiosWithoutNameText());
    return std::nullopt;
  }
  line.run.lines = !line.run.json && !line.nagios;
  // The monitoring sinks tell the verdict; deciding it prints nothing.
  if (line.nagios || line.prometheus) line.run.verdict = true;
  return line;
}

ComputerRecord RunComputer(Platform& platform, std::wstring_view target,
                           const RunOptions& options) {
  // Lines that are not to be printed go nowhere.
  QuietPlatform quiet(platform);
  Platform& checks = options.lines ? platform : static_cast<Platform&>(quiet);
  Console& console = checks.console();
  ComputerRecord record;
  record.target = target;
  const int64_t started = UnixMilliseconds();
  const Stopwatch run(platform.system());
  std::vector<CheckOutcome>& outcomes = record.outcomes;

  PingLibraries ping_libraries;
  LoadPingLibraries(checks, ping_libraries);
  PrintBanner(checks, target);

  bool remote_checks_ran = false;
  // The text report's explanation follows the last check line.
  const auto finish = [&]() {
    if (remote_checks_ran && (options.json || options.explain || options.verdict)) {
      record.session = platform.session().FirstConnection();
    }
    if (options.explain || options.verdict) {
      record.explanation = ExplainRun(outcomes, record.session, platform.system());
    }
    if (options.explain) console.Write(ExplanationText(*record.explanation));
    record.exit_status = ExitStatusOf(outcomes);
    record.elapsed_ms = run.ElapsedMs();
    if (options.json) {
      RunFacts facts{ProductVersion(),   std::wstring(target), platform.system().ComputerName(),
                     started,            record.elapsed_ms,    record.session};
      record.json = JsonReport(facts, outcomes,
                               options.explain ? &*record.explanation : nullptr);
    }
    return std::move(record);
  };

  const Stopwatch startup_time(platform.system());
  const uint32_t startup = checks.sockets().Startup(kWinsockVersion);
  if (startup != 0) {
    console.Write(L"Unable to intialize Windows sockets. Error code: " + Hex8(startup) + L"\n");
    outcomes.push_back(startup_time.Failed("startup", startup));
    FreePingLibraries(checks, ping_libraries);
    return finish();
  }

  std::optional<std::string> dotted;
  outcomes.push_back(ReportNameResolution(checks, target, &dotted));

  // The NetBIOS query and the SMB connection that the remote checks will
  // use need nothing of each other: their waits pass together, each check
  // keeping its own lines and time, and the lines come out in the fixed
  // order. The library ping's ICMP sockets take only their own replies and
  // errors, so its echo goes out with them, from this thread, which would
  // only wait. A raw socket takes every ICMP message that reaches this
  // computer, the errors that our own NetBIOS and SMB packets draw
  // included, and would tell them as foreign datagrams: the raw-socket ping
  // waits alone, after them, as it always did.
  const std::wstring machine_path = L"\\\\" + std::wstring(target);
  const bool echo_beside = ping_libraries.method == PingMethod::kLibrary;
  Overlapped connection([&checks, &machine_path] { checks.session().Connect(machine_path); });
  BesidePlatform adapter_platform(checks);
  std::optional<CheckOutcome> adapter_status;
  std::optional<Overlapped> adapter;
  if (dotted) {
    adapter.emplace([&] { adapter_status = ShowAdapterStatus(adapter_platform, *dotted); });
  }
  BesidePlatform ping_platform(checks);
  std::optional<CheckOutcome> ping;
  if (echo_beside) ping = ReportPing(ping_platform, ping_libraries, target);
  if (adapter) adapter->Join();
  if (!echo_beside) connection.Join();
  adapter_platform.lines.PlayTo(console);
  if (adapter_status) outcomes.push_back(std::move(*adapter_status));
  if (!ping) ping = ReportPing(checks, ping_libraries, target);
  ping_platform.lines.PlayTo(console);
  outcomes.push_back(std::move(*ping));
  connection.Join();

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
  record.completed = true;
  return finish();
}

namespace {

int RunTest(Platform& platform, const std::vector<std::wstring>& all_arguments) {
  std::optional<CommandLine> parsed = ParseCommandLine(platform.console(), all_arguments);
  if (!parsed) return kUsageError;
  if (parsed->usage) {
    platform.console().Write(UsageText(*parsed->usage));
    return 0;
  }
  if (parsed->fleet) return RunFleet(platform, *parsed);
  const RunOptions& options = parsed->run;
  QuietConsole quiet(platform.console());
  Console& console = options.lines ? platform.console() : static_cast<Console&>(quiet);
  const bool interactive = parsed->computers.empty();
  std::wstring target;
  const size_t length = ObtainTargetName(console, parsed->computers, &target);

  // A longer name would not fit in the machine path, and a cut one would
  // test some other computer: refuse it before anything goes out.
  if (length > kMaxTargetName) {
    console.WriteError(NameTooLongText(length));
    if (parsed->nagios) return kUsageError;
    if (interactive) Pause(console);
    return options.exit_status ? kUnresolved : 0;
  }

  std::vector<ComputerRecord> records = {RunComputer(platform, target, options)};
  const ComputerRecord& record = records.front();
  if (options.json) platform.console().Write8(record.json);
  const int exit_code = ReportToMonitoring(platform, *parsed, records, record.elapsed_ms,
                                           options.exit_status ? record.exit_status : 0);
  // The pause follows the last line; a run that could not start sockets
  // ends at once.
  if (interactive && record.completed) Pause(console);
  return exit_code;
}

}  // namespace

int ConnectivityTest(Platform& platform, const std::vector<std::wstring>& arguments) {
  const auto run = [&arguments](Platform& on) { return RunTest(on, arguments); };
  return AsksForPlugin(arguments) ? RunAsPlugin(platform, run) : run(platform);
}

}  // namespace winreach
