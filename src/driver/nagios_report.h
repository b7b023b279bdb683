// The run as a plugin of Nagios, Icinga or Naemon reports it (the
// Monitoring Plugins guidelines): a status line with performance data, the
// details on the lines below it, and a status the monitoring engine reads
// from the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"

namespace winreach {

// The plugin's exit codes; a worse status has a higher one, UNKNOWN apart.
enum PluginStatus : int {
  kPluginOk = 0,        // the computer can be administered from here
  kPluginWarning = 1,   // in part
  kPluginCritical = 2,  // it cannot, does not answer, or its name does not resolve
  kPluginUnknown = 3,   // a usage error or this computer's own fault: nothing was learnt
};

// What a computer's verdict means to the monitoring engine.
PluginStatus PluginStatusOf(const ComputerRecord& record);

// Of several computers the worst: CRITICAL over WARNING over OK, and UNKNOWN
// only where no computer was found CRITICAL.
PluginStatus WorseStatus(PluginStatus a, PluginStatus b);

// The plugin's output (UTF-8) for the computers' records, in the order they
// were checked; `elapsed_ms` is the whole run's time. One computer: its
// status line, then a line per failed check with its code. Several: a line
// with the counts per status, then one line per computer. `status` gets
// the worst.
std::string NagiosOutput(const std::vector<ComputerRecord>& records, int64_t elapsed_ms,
                         PluginStatus* status);

// The status line of a run that could not be made, `reason` being the
// diagnostic ("winreach: " and the lines after the first are dropped).
std::string NagiosUnknownLine(std::wstring_view reason);

// A performance data label, quoted where it needs it: a single quote
// doubled, and '=' (which no label may hold) and characters that would break
// the line shown as '?'.
std::string PerfLabel(std::wstring_view label);

}  // namespace winreach
