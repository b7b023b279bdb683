// A run of many computers: each on a thread of the run engine with a
// platform of its own (Platform::NewRun), each record handed to one writer
// on the calling thread as soon as its computer is done.
#pragma once

#include "driver/run.h"

namespace winreach {

// Runs every computer of `line` (its names, then its --targets list) and
// returns the process exit code: 0, or with --exit-status the worst of the
// computers'.
int RunFleet(Platform& platform, const CommandLine& line);

}  // namespace winreach
