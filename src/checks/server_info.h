// The server service's information at levels 100, 101, 102 and 503.
#pragma once

#include <string_view>
#include <vector>

#include "checks/outcome.h"
#include "platform/platform.h"

namespace winreach {

// One outcome per level, "server_info_<level>".
std::vector<CheckOutcome> CheckServerInfo(Platform& platform, std::wstring_view machine_path);

}  // namespace winreach
