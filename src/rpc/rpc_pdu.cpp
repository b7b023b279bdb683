#include "rpc/rpc_pdu.h"

#include <algorithm>

#include "platform/bytes.h"

namespace winreach::rpc {

namespace {

constexpr uint8_t kVersion = 5;
constexpr uint8_t kVersionMinor = 0;
// Little-endian integers, ASCII characters, IEEE floating point.
constexpr std::array<uint8_t, 4> kDataRepresentation = {0x10, 0, 0, 0};
// Where a fragment's body starts after the header for request, response and
// fault: alloc_hint (4), context id (2), opnum or cancel count (2).
constexpr size_t kRequestBodyOffset = 24;
constexpr size_t kSecurityTrailerSize = 8;

void PutHeader(ByteWriter& out, PacketType type, uint8_t flags, uint32_t call_id) {
  out.U8(kVersion);
  out.U8(kVersionMinor);
  out.U8(static_cast<uint8_t>(type));
  out.U8(flags);
  out.Bytes(kDataRepresentation);
  out.U16Le(0);  // fragment length, set once the body is in place
  out.U16Le(0);  // no authentication
  out.U32Le(call_id);
}

void SetFragmentLength(std::vector<uint8_t>& pdu) {
  ByteWriter(std::span(pdu).subspan(8, 2)).U16Le(static_cast<uint16_t>(pdu.size()));
}

void PutSyntax(ByteWriter& out, const SyntaxId& syntax) {
  out.Bytes(syntax.uuid);
  out.U16Le(syntax.major);
  out.U16Le(syntax.minor);
}

}  // namespace

bool ParseHeader(std::span<const uint8_t> bytes, Header* header) {
  ByteReader in(bytes);
  const bool version_5_0 = in.U16Be() == (kVersion << 8 | kVersionMinor);
  header->type = static_cast<PacketType>(in.U8());
  header->flags = in.U8();
  // Only the integer representation matters to us: little-endian.
  const bool little_endian = (in.U8() & 0xF0) == 0x10;
  in.Skip(3);
  header->fragment_length = in.U16Le();
  header->auth_length = in.U16Le();
  header->call_id = in.U32Le();
  return in.ok() && version_5_0 && little_endian && header->fragment_length >= kHeaderSize;
}

std::vector<uint8_t> BindPdu(uint32_t call_id, const SyntaxId& interface) {
  std::vector<uint8_t> pdu;
  auto out = ByteWriter::AppendTo(pdu);
  PutHeader(out, PacketType::kBind, kFirstFragment | kLastFragment, call_id);
  out.U16Le(kMaxFragment);  // max_xmit_frag
  out.U16Le(kMaxFragment);  // max_recv_frag
  out.U32Le(0);             // new association group
  out.U32Le(1);             // one presentation context, reserved
  out.U16Le(0);             // context id
  out.U16Le(1);             // one transfer syntax
  PutSyntax(out, interface);
  PutSyntax(out, kNdrTransferSyntax);
  SetFragmentLength(pdu);
  return pdu;
}

std::vector<std::vector<uint8_t>> RequestPdus(uint32_t call_id, uint16_t opnum,
                                              std::span<const uint8_t> stub,
                                              uint16_t max_fragment) {
  // Each fragment's stub length stays a multiple of 8 except the last, so
  // that NDR alignment holds across the cut.
  size_t room = max_fragment > kRequestBodyOffset + 8 ? max_fragment - kRequestBodyOffset : 8;
  room -= room % 8;
  std::vector<std::vector<uint8_t>> pdus;
  size_t at = 0;
  do {
    const size_t size = std::min(room, stub.size() - at);
    uint8_t flags = 0;
    if (at == 0) flags |= kFirstFragment;
    if (at + size == stub.size()) flags |= kLastFragment;
    std::vector<uint8_t> pdu;
    auto out = ByteWriter::AppendTo(pdu);
    PutHeader(out, PacketType::kRequest, flags, call_id);
    out.U32Le(static_cast<uint32_t>(stub.size() - at));  // alloc_hint: what remains
    out.U16Le(0);                                        // context id
    out.U16Le(opnum);
    out.Bytes(stub.subspan(at, size));
    SetFragmentLength(pdu);
    pdus.push_back(std::move(pdu));
    at += size;
  } while (at < stub.size());
  return pdus;
}

bool ParseBindAck(std::span<const uint8_t> fragment, BindAck* ack) {
  Header header;
  if (!ParseHeader(fragment, &header) || header.type != PacketType::kBindAck) return false;
  if (header.fragment_length != fragment.size()) return false;
  ByteReader in(fragment);
  in.Skip(kHeaderSize);
  ack->max_transmit = in.U16Le();
  ack->max_receive = in.U16Le();
  in.Skip(4);  // association group
  in.Skip(in.U16Le());  // secondary address
  in.Skip((4 - in.offset() % 4) % 4);  // the result list is 4-aligned
  // Result list: count (1), reserved (3), then 24 bytes per result.
  const uint8_t results = in.U8();
  in.Skip(3);
  if (results < 1 || in.left() < size_t{24} * results) return false;
  ack->result = in.U16Le();
  ack->reason = in.U16Le();
  in.CopyTo(ack->transfer_syntax.uuid.data(), ack->transfer_syntax.uuid.size());
  ack->transfer_syntax.major = in.U16Le();
  ack->transfer_syntax.minor = in.U16Le();
  // A fragment smaller than a header plus a little stub is no limit we can
  // work with.
  return in.ok() && ack->max_transmit >= kRequestBodyOffset + 8;
}

bool ParseResponseFragment(std::span<const uint8_t> fragment, const Header& header,
                           ResponseFragment* response) {
  if (fragment.size() != header.fragment_length) return false;
  ByteReader in(fragment);
  in.Skip(kRequestBodyOffset);
  if (header.type == PacketType::kFault) {
    const uint32_t status = in.U32Le();
    if (!in.ok()) return false;
    *response = {true, status, {}};
    return true;
  }
  if (header.type != PacketType::kResponse) return false;
  const size_t trailer =
      header.auth_length != 0 ? size_t{header.auth_length} + kSecurityTrailerSize : 0;
  if (trailer > in.left()) return false;
  *response = {false, 0, in.Bytes(in.left() - trailer)};
  return true;
}

}  // namespace winreach::rpc
