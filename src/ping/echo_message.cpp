#include "ping/echo_message.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/bytes.h"

namespace winreach {

namespace {

// Pingers started so far in this process. A raw ICMP socket receives every
// echo reply that reaches the host, so pingers that run side by side tell
// theirs apart by this number beside the process identifier.
std::atomic<uint32_t> pingers_started{0};

}  // namespace

uint16_t NewEchoIdentifier(System& system) {
  const uint32_t pinger = pingers_started.fetch_add(1, std::memory_order_relaxed);
  return static_cast<uint16_t>((system.CurrentProcessId() + pinger) & 0xFFFF);
}

void BuildEchoRequest(uint16_t identifier, uint8_t* buffer, size_t length) {
  if (length < kEchoDataOffset) return;
  ByteWriter out({buffer, kEchoHeaderSize});
  out.U8(kIcmpEchoRequest);
  out.U8(0);      // code
  out.U16Le(0);   // checksum, sealed later
  out.U16Le(identifier);
  out.U16Le(0);   // sequence number: one request per ping
  std::fill(buffer + kEchoDataOffset, buffer + length, uint8_t{0x45});
}

uint16_t InternetChecksum(const uint8_t* data, size_t length) {
  // At most 65535 bytes: the 32-bit sum of their words cannot overflow, and
  // two folds bring any 32-bit sum into 16 bits.
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < length; i += 2) {
    uint16_t word;
    std::memcpy(&word, data + i, 2);  // the machine's order, as the caller stores it
    sum += word;
  }
  if (i < length) {
    // The odd last byte with a zero pad byte after it, in the machine's order.
    const uint8_t pair[2] = {data[i], 0};
    uint16_t word;
    std::memcpy(&word, pair, 2);
    sum += word;
  }
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<uint16_t>(~sum & 0xFFFF);
}

void PrepareEchoRequest(System& system, uint16_t identifier, EchoRequest& request) {
  BuildEchoRequest(identifier, request.data(), request.size());
  ByteWriter(std::span(request).subspan(kEchoHeaderSize)).U32Le(system.TickCount());
  const uint16_t checksum = InternetChecksum(request.data(), request.size());
  std::memcpy(request.data() + 2, &checksum, 2);
}

bool IsEchoReplyForUs(uint16_t our_identifier, const uint8_t* datagram, int length,
                      const sockaddr_in& sender, const sockaddr_in& destination) {
  // A reply comes from the address we sent to; anything else (an ICMP error
  // from a router, another host's echo) is not ours. Decided before any
  // received byte is read.
  if (sender.sin_addr.s_addr != destination.sin_addr.s_addr) return false;
  ByteReader in(datagram, length < 0 ? 0 : static_cast<size_t>(length));
  in.Skip(4u * (ByteReader(in).U8() & 0x0F));  // the IP header, by its own length
  const uint8_t type = in.U8();
  in.Skip(3);  // code, checksum
  const uint16_t identifier = in.U16Le();
  in.Skip(2);  // sequence number: the ICMP header is whole
  if (!in.ok() || type != kIcmpEchoReply) return false;
  return identifier == our_identifier;
}

}  // namespace winreach
