// The ICMP helper libraries, loaded at run time, and the choice of the ping
// method that follows from what they offer.
#pragma once

#include <cstdint>
#include <string_view>

#include "ping/ping_detail.h"
#include "platform/icmp_api.h"
#include "platform/platform.h"

namespace winreach {

// Pings `target` once with the time-out in milliseconds: 1 when it answered
// the echo as required, else 0. `detail`, when given, receives what the ping
// learned on the way.
using PingFunction = int (*)(Platform& platform, std::wstring_view target, int32_t timeout_ms,
                             PingDetail* detail);

struct PingLibraries {
  LibraryHandle icmp = nullptr;      // "ICMP.DLL"
  LibraryHandle ws2_32 = nullptr;    // "Ws2_32.dll"
  LibraryHandle wship6 = nullptr;    // "Wship6.dll"
  LibraryHandle iphlpapi = nullptr;  // "Iphlpapi.dll"
  IcmpCreateFileFn icmp_create_file = nullptr;
  IcmpSendEchoFn icmp_send_echo = nullptr;
  IcmpCloseHandleFn icmp_close_handle = nullptr;
  GetAddrInfoFn getaddrinfo = nullptr;
  FreeAddrInfoFn freeaddrinfo = nullptr;
  Icmp6CreateFileFn icmp6_create_file = nullptr;
  Icmp6SendEcho2Fn icmp6_send_echo2 = nullptr;
  PingFunction ping_function = nullptr;
};

// The process-wide table; written only by LoadPingLibraries and
// FreePingLibraries.
PingLibraries& PingLibraryTable();

// Loads the libraries that are not yet held, looks the entry points up and
// selects PingLibraryTable().ping_function.
void LoadPingLibraries(Platform& platform);

// Releases every held library.
void FreePingLibraries(Platform& platform);

}  // namespace winreach
