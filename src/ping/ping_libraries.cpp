#include "ping/ping_libraries.h"

#include "ping/library_ping.h"
#include "ping/raw_socket_ping.h"

namespace winreach {

namespace {

// Loads `file_name` unless its handle is already held; the handle after.
LibraryHandle Hold(Libraries& libraries, LibraryHandle& handle, std::wstring_view file_name) {
  if (handle == nullptr) handle = libraries.Load(file_name);
  return handle;
}

template <typename Function>
Function Lookup(Libraries& libraries, LibraryHandle library, const char* name) {
  return reinterpret_cast<Function>(libraries.GetProcAddress(library, name));
}

}  // namespace

void LoadPingLibraries(Platform& platform, PingLibraries& table) {
  Libraries& libraries = platform.libraries();

  // The IPv4 ICMP functions. A missing entry point must not leave its error
  // code behind: the thread's last error reads as it did before the look-ups.
  if (const LibraryHandle icmp = Hold(libraries, table.icmp, L"ICMP.DLL")) {
    const uint32_t kept = platform.system().LastError();
    table.icmp_create_file = Lookup<IcmpCreateFileFn>(libraries, icmp, "IcmpCreateFile");
    table.icmp_send_echo = Lookup<IcmpSendEchoFn>(libraries, icmp, "IcmpSendEcho");
    table.icmp_close_handle = Lookup<IcmpCloseHandleFn>(libraries, icmp, "IcmpCloseHandle");
    platform.system().SetLastError(kept);
  }

  if (const LibraryHandle ws2_32 = Hold(libraries, table.ws2_32, L"Ws2_32.dll")) {
    table.getaddrinfo = Lookup<GetAddrInfoFn>(libraries, ws2_32, "getaddrinfo");
    table.freeaddrinfo = Lookup<FreeAddrInfoFn>(libraries, ws2_32, "freeaddrinfo");
  }

  // The second source replaces both, so that the list is always released by
  // the library that made it.
  if (table.getaddrinfo == nullptr || table.freeaddrinfo == nullptr) {
    if (const LibraryHandle wship6 = Hold(libraries, table.wship6, L"Wship6.dll")) {
      table.getaddrinfo = Lookup<GetAddrInfoFn>(libraries, wship6, "getaddrinfo");
      table.freeaddrinfo = Lookup<FreeAddrInfoFn>(libraries, wship6, "freeaddrinfo");
    }
  }

  if (const LibraryHandle iphlpapi = Hold(libraries, table.iphlpapi, L"Iphlpapi.dll")) {
    table.icmp6_create_file = Lookup<Icmp6CreateFileFn>(libraries, iphlpapi, "Icmp6CreateFile");
    table.icmp6_send_echo2 = Lookup<Icmp6SendEcho2Fn>(libraries, iphlpapi, "Icmp6SendEcho2");
  }

  // The library ping needs the three IPv4 functions; the IPv6 ones only
  // decide its fallback, which checks them itself.
  const bool ipv4_functions = table.icmp_close_handle != nullptr &&
                              table.icmp_send_echo != nullptr &&
                              table.icmp_create_file != nullptr;
  table.method = ipv4_functions ? PingMethod::kLibrary : PingMethod::kRawSocket;
}

void FreePingLibraries(Platform& platform, PingLibraries& table) {
  for (LibraryHandle* handle : {&table.icmp, &table.ws2_32, &table.wship6, &table.iphlpapi}) {
    if (*handle != nullptr && platform.libraries().Free(*handle)) *handle = nullptr;
  }
}

int PingTarget(Platform& platform, const PingLibraries& libraries, std::wstring_view target,
               int32_t timeout_ms, PingDetail* detail) {
  return libraries.method == PingMethod::kLibrary
             ? Ping0(platform, libraries, target, timeout_ms, detail)
             : RawSocketPing(platform, target, timeout_ms, detail);
}

}  // namespace winreach
