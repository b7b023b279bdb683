#include "smb/netbios_session.h"

#include "platform/bytes.h"

namespace winreach::smb {

namespace {

constexpr uint8_t kSessionRequest = 0x81;
constexpr uint8_t kPositiveResponse = 0x82;
constexpr uint8_t kNegativeResponse = 0x83;
constexpr uint8_t kRetargetResponse = 0x84;
constexpr size_t kNameLength = 15;
// Length byte, 32 characters of half-bytes, the empty root label.
constexpr size_t kEncodedNameSize = 34;

// Each of the 16 bytes as two letters 'A'-'P', one per half-byte.
void PutName(ByteWriter& out, std::string_view name, uint8_t suffix) {
  uint8_t raw[kNameLength + 1];
  for (size_t i = 0; i < kNameLength; ++i) {
    char c = i < name.size() ? name[i] : ' ';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    raw[i] = static_cast<uint8_t>(c);
  }
  raw[kNameLength] = suffix;
  out.U8(32);
  for (const uint8_t byte : raw) {
    out.U8(static_cast<uint8_t>('A' + (byte >> 4)));
    out.U8(static_cast<uint8_t>('A' + (byte & 0x0F)));
  }
  out.U8(0);
}

// The length in a session packet's header: 16 bits and the extension bit.
size_t BodyLength(ByteReader& in) {
  const uint8_t flags = in.U8();
  return static_cast<size_t>(flags & 0x01) << 16 | in.U16Be();
}

}  // namespace

Bytes SessionRequest(std::string_view called, std::string_view calling) {
  Bytes packet;
  auto out = ByteWriter::AppendTo(packet);
  out.U8(kSessionRequest);
  out.U8(0);
  out.U16Be(2 * kEncodedNameSize);
  PutName(out, called, kServerNameSuffix);
  PutName(out, calling, kWorkstationNameSuffix);
  return packet;
}

size_t SessionPacketSize(ByteSpan received) {
  ByteReader in(received);
  in.U8();
  const size_t length = BodyLength(in);
  return in.ok() ? 4 + length : 0;
}

bool ParseSessionAnswer(ByteSpan packet, SessionAnswer* answer) {
  ByteReader in(packet);
  const uint8_t type = in.U8();
  const size_t length = BodyLength(in);
  if (!in.ok() || in.left() != length) return false;
  switch (type) {
    case kPositiveResponse:
      answer->kind = SessionAnswer::kPositive;
      return length == 0;
    case kNegativeResponse:
      answer->kind = SessionAnswer::kNegative;
      answer->error_code = in.U8();
      return length == 1;
    case kRetargetResponse:
      answer->kind = SessionAnswer::kRetarget;
      answer->retarget_address = in.U32Be();
      answer->retarget_port = in.U16Be();
      return length == 6;
    default:
      return false;
  }
}

}  // namespace winreach::smb
