// The ping through the ICMP helper libraries: one echo over IPv4, and when
// that fails after the name resolved, one to each IPv6 address of the name
// in turn until one answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ping/echo_message.h"
#include "ping/ping_detail.h"
#include "ping/ping_libraries.h"
#include "platform/native_types.h"
#include "platform/platform.h"

namespace winreach {

// Reply buffers: one reply structure, the echoed data, and the 8 bytes of an
// ICMP error that the platform may store with it. The IPv6 buffer also has
// room for the I/O status block of the platform's asynchronous send.
inline constexpr size_t kIcmpErrorRoom = 8;
inline constexpr size_t kIpv4ReplyBufferSize =
    sizeof(ICMP_ECHO_REPLY) + kEchoPayloadSize + kIcmpErrorRoom;
inline constexpr size_t kIpv6ReplyBufferSize =
    sizeof(ICMPV6_ECHO_REPLY) + kEchoPayloadSize + kIcmpErrorRoom + 2 * sizeof(void*);

// The request options of both sends: time to live 200, nothing else.
inline constexpr UCHAR kEchoTtl = 200;

// 1 when the target answered over IPv4 or, after the fallback, over IPv6,
// through the entry points in `libraries`. `detail`, when given, receives
// the family, the code printed and the round trip.
int Ping0(Platform& platform, const PingLibraries& libraries, std::wstring_view target,
          int32_t timeout_ms, PingDetail* detail = nullptr);

// Tries the IPv6 addresses of `name` in list order until one answers.
bool IPv6Ping(Platform& platform, const PingLibraries& libraries, const std::string& name,
              int32_t timeout_ms, PingDetail* detail = nullptr);

}  // namespace winreach
