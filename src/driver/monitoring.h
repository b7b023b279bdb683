// The sinks for monitoring systems at the end of a run, single or of many
// computers: the plugin's output and status (--nagios) and the textfile
// collector's file (--prometheus FILE).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/run.h"

namespace winreach {

// Whether the arguments ask for the plugin's output (--nagios), known
// before they are parsed: a command line that cannot be parsed must end in
// the plugin's UNKNOWN too.
bool AsksForPlugin(const std::vector<std::wstring>& arguments);

// Runs `run` (the whole test, returning the process exit code) as a plugin:
// where it ends in kUsageError, standard output gets the UNKNOWN line with
// the last diagnostic it wrote, and the exit code is 3.
int RunAsPlugin(Platform& platform, const std::function<int(Platform&)>& run);

// Writes the Prometheus file and the plugin's output that `line` asks for,
// from the computers' records; `exit_code` is what the run returns without
// --nagios. Returns the process exit code: with --nagios the plugin's
// status (UNKNOWN when the file could not be written).
int ReportToMonitoring(Platform& platform, const CommandLine& line,
                       const std::vector<ComputerRecord>& records, int64_t elapsed_ms,
                       int exit_code);

}  // namespace winreach
