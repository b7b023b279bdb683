#include "smb/frame.h"

#include "platform/bytes.h"

namespace winreach::smb {

namespace {

constexpr uint8_t kSessionMessage = 0x00;
constexpr uint8_t kSessionKeepAlive = 0x85;

}  // namespace

Bytes Frame(ByteSpan message) {
  if (message.size() > kMaxFrameLength) return {};
  Bytes frame;
  frame.reserve(kFrameHeaderSize + message.size());
  auto out = ByteWriter::AppendTo(frame);
  out.U32Be(static_cast<uint32_t>(message.size()));  // the type byte is 0
  out.Bytes(message);
  return frame;
}

void FrameReader::Feed(ByteSpan bytes) {
  if (bad_) return;
  // Drop what was already handed out before the buffer grows again.
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > buffer_.size() / 2) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

FrameReader::Result FrameReader::Next(Bytes* message) {
  while (!bad_) {
    ByteReader in{ByteSpan(buffer_).subspan(start_)};
    const uint8_t type = in.U8();
    const uint32_t length = static_cast<uint32_t>(in.U16Be()) << 8 | in.U8();
    if (!in.ok()) return kNeedMore;
    if (type == kSessionKeepAlive && length == 0) {
      start_ += kFrameHeaderSize;
      continue;
    }
    if (type != kSessionMessage || length > max_message_) break;
    if (in.left() < length) return kNeedMore;
    const auto body = in.Bytes(length);
    message->assign(body.begin(), body.end());
    start_ += kFrameHeaderSize + length;
    return kMessage;
  }
  bad_ = true;
  buffer_.clear();
  buffer_.shrink_to_fit();
  start_ = 0;
  return kBad;
}

}  // namespace winreach::smb
