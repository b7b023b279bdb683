// The four bytes in front of each SMB2 message on a TCP stream: a zero, then
// the message's length in 24 bits, big-endian. On port 139 the same four
// bytes are a NetBIOS session message header (type 0), and the server may
// also send session keep-alives (type 0x85, no body), which are skipped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "smb/crypto.h"

namespace winreach::smb {

inline constexpr size_t kFrameHeaderSize = 4;
inline constexpr size_t kMaxFrameLength = 0xFFFFFF;

// `message` behind its frame header; empty when the message is longer than
// a frame can announce.
Bytes Frame(ByteSpan message);

// Cuts a received byte stream into messages.
class FrameReader {
 public:
  enum Result { kNeedMore, kMessage, kBad };

  // Messages announced longer than `max_message` are refused.
  explicit FrameReader(size_t max_message) : max_message_(max_message) {}

  // Adds bytes as they come from the stream. Nothing is kept once the
  // stream was found bad.
  void Feed(ByteSpan bytes);

  // The next whole message, kNeedMore until it has all arrived, or kBad
  // (for good) when the stream holds something other than session messages
  // and keep-alives or announces a message larger than the maximum: at once,
  // before its body has come.
  Result Next(Bytes* message);

 private:
  size_t max_message_;
  Bytes buffer_;
  size_t start_ = 0;  // where the unread part of buffer_ begins
  bool bad_ = false;
};

}  // namespace winreach::smb
