// Feeds arbitrary bytes to the parsers of the Linux ICMP provider: the echo
// reply and the quoted request as ICMP datagram sockets deliver them, and
// the control data of recvmsg with the extended error of the error queue.
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/icmp_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int family = (data[0] & 1) ? AF_INET6 : AF_INET;
  const uint16_t sequence = static_cast<uint16_t>(data[1] | (data[2] << 8));
  data += 3;
  size -= 3;

  // An exactly sized copy, so that any read beyond it is caught.
  std::vector<uint8_t> message(data, data + size);
  const uint8_t* bytes = message.empty() ? nullptr : message.data();
  if (const auto reply = winreach::ParseEchoReply(family, bytes, message.size(), sequence)) {
    if (reply->offset + reply->size > message.size()) __builtin_trap();
  }
  winreach::QuotesOurRequest(family, bytes, message.size(), sequence);

  // The same bytes as control data; the parsers read it with memcpy, so
  // alignment does not matter, and nothing past `size` may be read.
  if (const auto error = winreach::ParseErrorQueueControl(family, bytes, size)) {
    winreach::IpStatusOf(family, *error);
    winreach::IpStatusOf(family == AF_INET ? AF_INET6 : AF_INET, *error);
  }
  winreach::ParseReceivedTtl(bytes, size);
  return 0;
}
