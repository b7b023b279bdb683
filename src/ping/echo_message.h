// The ICMP echo request that the raw-socket ping sends, the Internet checksum
// that seals it, and the test that picks our echo reply out of everything a
// raw ICMP socket receives. Everything here works on byte buffers and touches
// no socket.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/native_types.h"
#include "platform/system.h"

namespace winreach {

// The data of every echo request we send, by either ping method: 32 bytes of
// the letter E, expected back unchanged.
inline constexpr size_t kEchoPayloadSize = 32;
inline constexpr std::array<uint8_t, kEchoPayloadSize> EchoPayload = [] {
  std::array<uint8_t, kEchoPayloadSize> bytes{};
  bytes.fill(0x45);
  return bytes;
}();

// EchoRequest: type, code, checksum, identifier, sequence number (8 bytes),
// a 4-byte timestamp and EchoPayload.
inline constexpr size_t kEchoHeaderSize = 8;
inline constexpr size_t kEchoDataOffset = 12;
inline constexpr size_t kEchoRequestSize = kEchoDataOffset + kEchoPayloadSize;  // 44
using EchoRequest = std::array<uint8_t, kEchoRequestSize>;

inline constexpr uint8_t kIcmpEchoReply = 0;
inline constexpr uint8_t kIcmpEchoRequest = 8;

// The identifier of one pinger's requests: the low 16 bits of the process
// identifier for the process's first pinger, and one more for each pinger
// after it, so that pingers running side by side each take only their own
// replies. Safe to call from any thread.
uint16_t NewEchoIdentifier(System& system);

// Writes type 8, code 0, a zero checksum, `identifier` (little-endian) and
// sequence number 0, and fills bytes 12 to `length` with 0x45. Leaves the
// timestamp (bytes 8 to 11) alone and computes no checksum. `length` is at
// least 12; the buffer holds that many bytes.
void BuildEchoRequest(uint16_t identifier, uint8_t* buffer, size_t length);

// The RFC 1071 Internet checksum of `length` bytes (at most 65535), to be
// stored in the byte order in which it reads its words (the machine's).
uint16_t InternetChecksum(const uint8_t* data, size_t length);

// The request as sent: built, stamped with the tick count (little-endian) and
// sealed with the checksum over all 44 bytes.
void PrepareEchoRequest(System& system, uint16_t identifier, EchoRequest& request);

// Whether `datagram` (a whole IPv4 datagram of `length` received bytes) is
// the echo reply to the request with `our_identifier` sent to `destination`:
// it came from the destination's address, holds a whole ICMP header, is an
// echo reply and carries that identifier. Reads nothing beyond `length` bytes.
bool IsEchoReplyForUs(uint16_t our_identifier, const uint8_t* datagram, int length,
                      const sockaddr_in& sender, const sockaddr_in& destination);

}  // namespace winreach
