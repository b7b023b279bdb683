// The target's NetBIOS adapter status: its MAC address and NetBIOS name.
#pragma once

#include <cstdint>
#include <string_view>

#include "checks/outcome.h"
#include "platform/platform.h"

namespace winreach {

// The first LANA from 0 to 9 that accepts a reset, else 0.
uint8_t FindFirstLana(Platform& platform);

// Queries the adapter status of the computer at the dotted IPv4 `address`
// and prints the MAC-address and NetBIOS-name lines, or the return code that
// stopped the query. The outcome "netbios" carries the MAC address and the
// name, or that return code.
CheckOutcome ShowAdapterStatus(Platform& platform, std::string_view address);

}  // namespace winreach
