// The run: obtains the target's name, prints the banner and runs every
// check once, in a fixed order; with several computers, the run of many
// (driver/fleet.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/outcome.h"
#include "driver/explain.h"
#include "platform/platform.h"

namespace winreach {

// Longest name the run accepts: "\\" and the name must fit in the 255
// characters of the machine path.
inline constexpr size_t kMaxTargetName = 253;

// What one computer's run does beside its checks.
struct RunOptions {
  bool lines = true;         // print the banner and the checks' lines
  bool json = false;         // make the JSON document
  bool exit_status = false;  // --exit-status
  bool verbose = false;      // --verbose: the session line on standard error
  bool explain = false;      // --explain: the explanation, as text or in the document
  bool verdict = false;      // decide the verdict even without --explain
};

// One computer's run, as its record.
struct ComputerRecord {
  std::wstring target;
  std::vector<CheckOutcome> outcomes;
  std::optional<SessionFacts> session;  // the first connection, when one was made
  std::optional<RunExplanation> explanation;  // with --explain or RunOptions::verdict
  std::string json;         // the document, with RunOptions::json
  int exit_status = 0;      // what ExitStatusOf makes of the outcomes
  int64_t elapsed_ms = 0;   // the whole run, whose checks' waits overlap
  bool completed = false;   // every check ran (sockets could be started)
};

// The wall clock in milliseconds since 1970: when a run started, or when a
// report was written.
int64_t UnixMilliseconds();

// The single code path of one computer's run, whether it is the only one
// or one of many: the banner, every check in its order, the explanation
// (--explain), on `platform`'s console; the record with what they found.
ComputerRecord RunComputer(Platform& platform, std::wstring_view target,
                           const RunOptions& options);

// The command line, as the run understands it.
struct CommandLine {
  std::optional<std::wstring> usage;  // -h, --help, --version: the argument
  RunOptions run;
  std::vector<std::wstring> computers;  // the names given as arguments
  bool fleet = false;                   // many computers: one of the options below, or names
  std::optional<std::wstring> targets;  // --targets FILE ("-": standard input)
  size_t jobs = 32;                     // --jobs N
  bool csv = false;                     // --csv
  std::optional<std::wstring> resume;   // --resume FILE
  bool nagios = false;                  // --nagios: the monitoring plugin's output and status
  std::optional<std::wstring> prometheus;  // --prometheus FILE: the textfile collector's file
};

// Parses the arguments; a diagnostic on `console`'s standard error and
// nothing when they cannot be run as given.
std::optional<CommandLine> ParseCommandLine(Console& console,
                                            const std::vector<std::wstring>& arguments);

// Runs the whole test. `arguments` are the process arguments after the
// program's name; options may stand anywhere among them. Returns the process
// exit code: 0, or with --exit-status what ExitStatusOf makes of the
// outcomes (of many computers, the worst), or kUsageError for a command
// line that cannot be run; with --nagios the plugin's status (0 to 3).
int ConnectivityTest(Platform& platform, const std::vector<std::wstring>& arguments);

}  // namespace winreach
