// One echo over an ICMP datagram socket: the request sent with the caller's
// options, then a wait, bounded from the moment of sending, for our reply or
// for an ICMP error about our request from the socket's error queue
// (IP_RECVERR, IPV6_RECVERR).
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>

#include "platform/native_types.h"
#include "platform/posix/scoped_fd.h"

namespace winreach::icmp_provider {

// An ICMP datagram socket of `family`, closed on every path.
ScopedFd DatagramSocket(int family);

// What to send, where, and where the echoed data goes.
struct EchoRequest {
  int family;
  const sockaddr* source;  // null: any
  socklen_t source_length;
  const sockaddr* destination;
  socklen_t destination_length;
  const uint8_t* data;
  size_t size;
  const IP_OPTION_INFORMATION* options;
  uint8_t* data_out;  // where the echoed data goes
  size_t data_room;
  uint32_t timeout_ms;
  uint16_t sequence;
};

// The verdict on one echo.
struct EchoResult {
  enum class Kind { kReply, kError, kTimedOut, kFailed } kind = Kind::kFailed;
  IP_STATUS status = IP_GENERAL_FAILURE;
  sockaddr_storage from{};  // the replying node, or the one that sent the error
  size_t data_size = 0;     // bytes stored at data_out
  uint8_t ttl = 0;
  uint32_t round_trip_ms = 0;
};

// Sends one echo and waits for its verdict.
EchoResult SendEchoAndWait(const EchoRequest& request);

}  // namespace winreach::icmp_provider
