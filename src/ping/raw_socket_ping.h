// The ping that needs no ICMP helper library: one echo request over a raw
// IPv4 ICMP socket, and a wait, bounded from the moment of sending, for the
// reply that IsEchoReplyForUs accepts.
#pragma once

#include <cstdint>
#include <string_view>

#include "ping/ping_detail.h"
#include "platform/platform.h"

namespace winreach {

// 1 when the echo reply came within `timeout_ms` of the send, else 0. Prints
// each failure it meets, one line each; the caller prints the verdict.
// `detail`, when given, receives the code printed and the round trip.
int RawSocketPing(Platform& platform, std::wstring_view target, int32_t timeout_ms,
                  PingDetail* detail = nullptr);

// Whole milliseconds from `start` to `now` of a counter running at
// `frequency` counts per second, truncated, and held within 0..INT32_MAX so
// that a long wait can never turn into a negative one. A counter without a
// rate counts as used up.
int32_t ElapsedMilliseconds(int64_t start, int64_t now, int64_t frequency);

}  // namespace winreach
