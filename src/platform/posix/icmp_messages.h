// What an ICMP datagram socket hands back, read without trusting it: the echo
// reply as the kernel delivers it (the ICMP message, no IP header), the
// extended error of IP_RECVERR / IPV6_RECVERR from the error queue, and the
// IP status code that such an error means to the ICMP helper interface.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/native_types.h"

namespace winreach {

// ICMP and ICMPv6 echo types.
inline constexpr uint8_t kIcmp4EchoRequest = 8;
inline constexpr uint8_t kIcmp4EchoReply = 0;
inline constexpr uint8_t kIcmp6EchoRequest = 128;
inline constexpr uint8_t kIcmp6EchoReply = 129;
inline constexpr size_t kIcmpHeaderSize = 8;

// An echo reply to our request: where its data lies in the message.
struct EchoReplyData {
  size_t offset = 0;
  size_t size = 0;
};

// The echo reply with `sequence` (the kernel has already matched the
// identifier) of `family`, or none when `message` is anything else.
std::optional<EchoReplyData> ParseEchoReply(int family, const uint8_t* message, size_t length,
                                            uint16_t sequence);

// Whether the packet that an ICMP error quotes (its ICMP part, as the error
// queue returns it) is our echo request with `sequence`.
bool QuotesOurRequest(int family, const uint8_t* quoted, size_t length, uint16_t sequence);

// The echo request that an ICMP datagram socket sends: type, `sequence` and
// `data`; the kernel fills in the identifier and the checksum.
std::vector<uint8_t> EchoRequestMessage(int family, uint16_t sequence,
                                        std::span<const uint8_t> data);

// The extended error of one error-queue message.
struct IcmpError {
  uint32_t error = 0;  // errno value
  uint8_t origin = 0;  // SO_EE_ORIGIN_*
  uint8_t type = 0;
  uint8_t code = 0;
  // The node that sent the error, when the kernel names it.
  std::optional<sockaddr_in> offender4;
  std::optional<sockaddr_in6> offender6;
};

// Finds the IP_RECVERR (AF_INET) or IPV6_RECVERR (AF_INET6) message in the
// control data that recvmsg filled, `length` bytes laid out as cmsghdr
// records. None when it holds no complete one.
std::optional<IcmpError> ParseErrorQueueControl(int family, const uint8_t* control,
                                                size_t length);

// The time to live of a received IPv4 datagram (IP_TTL record), if present.
std::optional<uint8_t> ParseReceivedTtl(const uint8_t* control, size_t length);

// The IP status for an error, as ipexport.h numbers them; none for messages
// that are no verdict on the echo (a redirect), so the wait goes on.
std::optional<IP_STATUS> IpStatusOf(int family, const IcmpError& error);

}  // namespace winreach
