// The declarations of the ICMP helper and address-resolution entry points
// that the library ping looks up at run time.
#pragma once

#include "platform/native_types.h"

namespace winreach {

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE icmp, IPAddr destination, LPVOID request_data,
                                      WORD request_size, PIP_OPTION_INFORMATION options,
                                      LPVOID reply_buffer, DWORD reply_size, DWORD timeout);
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE icmp);
using GetAddrInfoFn = int(WINAPI*)(PCSTR node, PCSTR service, const ADDRINFOA* hints,
                                   PADDRINFOA* result);
using FreeAddrInfoFn = void(WINAPI*)(PADDRINFOA list);
using Icmp6CreateFileFn = HANDLE(WINAPI*)();
using Icmp6SendEcho2Fn = DWORD(WINAPI*)(HANDLE icmp, HANDLE event, PIO_APC_ROUTINE apc_routine,
                                        PVOID apc_context, sockaddr_in6* source,
                                        sockaddr_in6* destination, LPVOID request_data,
                                        WORD request_size, PIP_OPTION_INFORMATION options,
                                        LPVOID reply_buffer, DWORD reply_size, DWORD timeout);

}  // namespace winreach
