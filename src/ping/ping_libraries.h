// The ICMP helper libraries, loaded at run time, and the choice of the ping
// method that follows from what they offer.
#pragma once

#include <cstdint>
#include <string_view>

#include "ping/ping_detail.h"
#include "platform/icmp_api.h"
#include "platform/platform.h"

namespace winreach {

// The library ping needs the ICMP helper library's IPv4 entry points; without
// them the raw-socket ping serves.
enum class PingMethod { kLibrary, kRawSocket };

// What the ICMP helper libraries offer to one run, which owns it.
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
  PingMethod method = PingMethod::kRawSocket;
};

// Loads the libraries that `libraries` does not yet hold, looks the entry
// points up and chooses the method.
void LoadPingLibraries(Platform& platform, PingLibraries& libraries);

// Releases every held library.
void FreePingLibraries(Platform& platform, PingLibraries& libraries);

// Pings `target` once by the chosen method with the time-out in
// milliseconds: 1 when it answered the echo as required, else 0.
int PingTarget(Platform& platform, const PingLibraries& libraries, std::wstring_view target,
               int32_t timeout_ms, PingDetail* detail = nullptr);

}  // namespace winreach
