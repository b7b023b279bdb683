// The run: obtains the target's name, prints the banner and runs every
// check once, in a fixed order.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace winreach {

// Longest name the run accepts: "\\" and the name must fit in the 255
// characters of the machine path.
inline constexpr size_t kMaxTargetName = 253;

// Runs the whole test. `arguments` are the process arguments after the
// program's name; "--json" and "--exit-status" may stand anywhere among them.
// Returns the process exit code: 0, or with --exit-status what ExitStatusOf
// makes of the outcomes, or kUsageError for --json without a name.
int ConnectivityTest(Platform& platform, const std::vector<std::wstring>& arguments);

}  // namespace winreach
