// The remote registry: the connection, five keys and four values.
#pragma once

#include <string_view>
#include <vector>

#include "checks/outcome.h"
#include "platform/platform.h"

namespace winreach {

// The outcome "registry" of the connection and, once connected, one per key.
std::vector<CheckOutcome> CheckRemoteRegistry(Platform& platform, std::wstring_view machine_path);

}  // namespace winreach
