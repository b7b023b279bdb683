// The Windows types that the logic shares with the platform, taken from the
// SDK headers. The Linux build lays out the same names itself
// (native_types_posix.h); include platform/native_types.h, which chooses.
#pragma once

// Every file that sees these headers sees them the same way, whichever
// target compiles it: wide API names, no min/max macros, no winsock.h.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <winternl.h>  // PIO_APC_ROUTINE, the completion routine type of Icmp6SendEcho2

#include <cstddef>
#include <cstdint>

#if defined(__MINGW32__)
// mingw-w64 declares IPV6_ADDRESS_EX without the one-byte packing that the
// system gives it; before version 12 it lacks ICMPV6_ECHO_REPLY, from 12 on
// it declares that reply around the unpacked address. Its declarations are
// kept out of the way under other names, and the platform's layouts are
// declared below.
#define _IPV6_ADDRESS_EX winreach_unpacked_ipv6_address_ex
#define IPV6_ADDRESS_EX winreach_unpacked_IPV6_ADDRESS_EX
#define PIPV6_ADDRESS_EX winreach_unpacked_PIPV6_ADDRESS_EX
#define icmpv6_echo_reply_lh winreach_unpacked_icmpv6_echo_reply_lh
#define ICMPV6_ECHO_REPLY_LH winreach_unpacked_ICMPV6_ECHO_REPLY_LH
#define PICMPV6_ECHO_REPLY_LH winreach_unpacked_PICMPV6_ECHO_REPLY_LH
#define ICMPV6_ECHO_REPLY winreach_unpacked_ICMPV6_ECHO_REPLY
#define PICMPV6_ECHO_REPLY winreach_unpacked_PICMPV6_ECHO_REPLY
#include <ipexport.h>
#undef _IPV6_ADDRESS_EX
#undef IPV6_ADDRESS_EX
#undef PIPV6_ADDRESS_EX
#undef icmpv6_echo_reply_lh
#undef ICMPV6_ECHO_REPLY_LH
#undef PICMPV6_ECHO_REPLY_LH
#undef ICMPV6_ECHO_REPLY
#undef PICMPV6_ECHO_REPLY

#pragma pack(push, 1)
struct IPV6_ADDRESS_EX {
  USHORT sin6_port;
  ULONG sin6_flowinfo;
  USHORT sin6_addr[8];
  ULONG sin6_scope_id;
};
#pragma pack(pop)
using PIPV6_ADDRESS_EX = IPV6_ADDRESS_EX*;

struct ICMPV6_ECHO_REPLY {
  IPV6_ADDRESS_EX Address;
  ULONG Status;
  unsigned int RoundTripTime;
};
using PICMPV6_ECHO_REPLY = ICMPV6_ECHO_REPLY*;
#else
#include <ipexport.h>
#endif

#include <nb30.h>
#include <lm.h>

// The layouts that Icmp6SendEcho2 and the code reading its replies rely on,
// the same in 32-bit and 64-bit processes.
static_assert(sizeof(IPV6_ADDRESS_EX) == 26);
static_assert(offsetof(IPV6_ADDRESS_EX, sin6_flowinfo) == 2);
static_assert(offsetof(IPV6_ADDRESS_EX, sin6_addr) == 6);
static_assert(offsetof(IPV6_ADDRESS_EX, sin6_scope_id) == 22);
static_assert(sizeof(ICMPV6_ECHO_REPLY) == 36);
static_assert(offsetof(ICMPV6_ECHO_REPLY, Status) == 28);
static_assert(offsetof(ICMPV6_ECHO_REPLY, RoundTripTime) == 32);

// NetBIOS reply area: one ADAPTER_STATUS and 30 NAME_BUFFERs fill 600 bytes.
static_assert(sizeof(ADAPTER_STATUS) == 60);
static_assert(sizeof(NAME_BUFFER) == 18);
