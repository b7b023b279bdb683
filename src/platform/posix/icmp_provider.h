// The ICMP helper entry points on Linux, served over the kernel's ICMP
// datagram sockets (SOCK_DGRAM with IPPROTO_ICMP or IPPROTO_ICMPV6), with the
// results the Windows functions give: the number of replies stored, the
// reply structure with its IP status, the data behind it, and the thread's
// last error when no reply is stored. ICMP errors come back through the
// socket's error queue (IP_RECVERR, IPV6_RECVERR).
#pragma once

#include <cstdint>

#include "platform/native_types.h"

namespace winreach::icmp_provider {

// Whether the kernel lets this user open an ICMP datagram socket of `family`
// (net.ipv4.ping_group_range, for both families).
bool KernelOffersIcmpSockets(int family);

HANDLE WINAPI IcmpCreateFile();
HANDLE WINAPI Icmp6CreateFile();
BOOL WINAPI IcmpCloseHandle(HANDLE icmp);

DWORD WINAPI IcmpSendEcho(HANDLE icmp, IPAddr destination, LPVOID request_data,
                          WORD request_size, PIP_OPTION_INFORMATION options, LPVOID reply_buffer,
                          DWORD reply_size, DWORD timeout);

// Synchronous only: an event or completion routine is refused.
DWORD WINAPI Icmp6SendEcho2(HANDLE icmp, HANDLE event, PIO_APC_ROUTINE apc_routine,
                            PVOID apc_context, sockaddr_in6* source, sockaddr_in6* destination,
                            LPVOID request_data, WORD request_size,
                            PIP_OPTION_INFORMATION options, LPVOID reply_buffer,
                            DWORD reply_size, DWORD timeout);

// The reply buffer that the send functions need at least: one reply
// structure, the request's data and room for an ICMP error.
constexpr DWORD MinimumReplySize(size_t reply_structure, WORD request_size) {
  return static_cast<DWORD>(reply_structure + request_size + 8);
}

}  // namespace winreach::icmp_provider
