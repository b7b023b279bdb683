// getaddrinfo and freeaddrinfo as Windows Sockets gives them: without hints,
// one entry per address (the C library gives one per socket type), and a
// failure left as the Windows Sockets code, both returned and stored as the
// thread's last error.
#pragma once

#include "platform/native_types.h"

namespace winreach::address_info {

int WINAPI GetAddrInfo(PCSTR node, PCSTR service, const ADDRINFOA* hints, PADDRINFOA* result);
void WINAPI FreeAddrInfo(PADDRINFOA list);

// The Windows Sockets code for a getaddrinfo result (EAI_*); `system_error`
// is errno for EAI_SYSTEM.
int WinsockErrorFromAddrInfo(int eai_error, int system_error);

}  // namespace winreach::address_info
