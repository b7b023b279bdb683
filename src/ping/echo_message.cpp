#include "ping/echo_message.h"

#include <algorithm>
#include <cstring>

namespace winreach {

namespace {

void StoreLittleEndian16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void StoreLittleEndian32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t OurIdentifier(System& system) {
  return static_cast<uint16_t>(system.CurrentProcessId() & 0xFFFF);
}

}  // namespace

void BuildEchoRequest(System& system, uint8_t* buffer, size_t length) {
  if (length < kEchoDataOffset) return;
  buffer[0] = kIcmpEchoRequest;
  buffer[1] = 0;                           // code
  StoreLittleEndian16(buffer + 2, 0);      // checksum, sealed later
  StoreLittleEndian16(buffer + 4, OurIdentifier(system));
  StoreLittleEndian16(buffer + 6, 0);      // sequence number: one request per ping
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

void PrepareEchoRequest(System& system, EchoRequest& request) {
  BuildEchoRequest(system, request.data(), request.size());
  StoreLittleEndian32(request.data() + 8, system.TickCount());
  const uint16_t checksum = InternetChecksum(request.data(), request.size());
  std::memcpy(request.data() + 2, &checksum, 2);
}

bool IsEchoReplyForUs(System& system, const uint8_t* datagram, int length,
                      const sockaddr_in& sender, const sockaddr_in& destination) {
  // A reply comes from the address we sent to; anything else (an ICMP error
  // from a router, another host's echo) is not ours. Decided before any
  // received byte is read.
  if (sender.sin_addr.s_addr != destination.sin_addr.s_addr) return false;
  if (length < 1) return false;  // not even the header length to read
  const int header_length = 4 * (datagram[0] & 0x0F);
  if (length < header_length + static_cast<int>(kEchoHeaderSize)) return false;
  const uint8_t* icmp = datagram + header_length;
  if (icmp[0] != kIcmpEchoReply) return false;
  const uint16_t identifier = static_cast<uint16_t>(icmp[4] | (icmp[5] << 8));
  return identifier == OurIdentifier(system);
}

}  // namespace winreach
