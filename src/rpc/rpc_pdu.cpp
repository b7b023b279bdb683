#include "rpc/rpc_pdu.h"

#include <algorithm>

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

uint16_t Get16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t Get32(std::span<const uint8_t> bytes, size_t at) {
  return bytes[at] | (uint32_t{bytes[at + 1]} << 8) | (uint32_t{bytes[at + 2]} << 16) |
         (uint32_t{bytes[at + 3]} << 24);
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutHeader(std::vector<uint8_t>& out, PacketType type, uint8_t flags, uint32_t call_id) {
  out.push_back(kVersion);
  out.push_back(kVersionMinor);
  out.push_back(static_cast<uint8_t>(type));
  out.push_back(flags);
  out.insert(out.end(), kDataRepresentation.begin(), kDataRepresentation.end());
  Put16(out, 0);  // fragment length, set once the body is in place
  Put16(out, 0);  // no authentication
  Put32(out, call_id);
}

void SetFragmentLength(std::vector<uint8_t>& pdu) {
  pdu[8] = static_cast<uint8_t>(pdu.size());
  pdu[9] = static_cast<uint8_t>(pdu.size() >> 8);
}

void PutSyntax(std::vector<uint8_t>& out, const SyntaxId& syntax) {
  out.insert(out.end(), syntax.uuid.begin(), syntax.uuid.end());
  Put16(out, syntax.major);
  Put16(out, syntax.minor);
}

}  // namespace

bool ParseHeader(std::span<const uint8_t> bytes, Header* header) {
  if (bytes.size() < kHeaderSize) return false;
  if (bytes[0] != kVersion || bytes[1] != kVersionMinor) return false;
  // Only the integer representation matters to us: little-endian.
  if ((bytes[4] & 0xF0) != 0x10) return false;
  header->type = static_cast<PacketType>(bytes[2]);
  header->flags = bytes[3];
  header->fragment_length = Get16(bytes, 8);
  header->auth_length = Get16(bytes, 10);
  header->call_id = Get32(bytes, 12);
  return header->fragment_length >= kHeaderSize;
}

std::vector<uint8_t> BindPdu(uint32_t call_id, const SyntaxId& interface) {
  std::vector<uint8_t> pdu;
  PutHeader(pdu, PacketType::kBind, kFirstFragment | kLastFragment, call_id);
  Put16(pdu, kMaxFragment);  // max_xmit_frag
  Put16(pdu, kMaxFragment);  // max_recv_frag
  Put32(pdu, 0);             // new association group
  pdu.push_back(1);          // one presentation context
  pdu.push_back(0);
  Put16(pdu, 0);
  Put16(pdu, 0);   // context id
  pdu.push_back(1);  // one transfer syntax
  pdu.push_back(0);
  PutSyntax(pdu, interface);
  PutSyntax(pdu, kNdrTransferSyntax);
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
    PutHeader(pdu, PacketType::kRequest, flags, call_id);
    Put32(pdu, static_cast<uint32_t>(stub.size() - at));  // alloc_hint: what remains
    Put16(pdu, 0);                                        // context id
    Put16(pdu, opnum);
    pdu.insert(pdu.end(), stub.begin() + static_cast<ptrdiff_t>(at),
               stub.begin() + static_cast<ptrdiff_t>(at + size));
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
  size_t at = kHeaderSize;
  // max_xmit_frag, max_recv_frag, assoc_group_id, secondary address length.
  if (fragment.size() < at + 10) return false;
  ack->max_transmit = Get16(fragment, at);
  ack->max_receive = Get16(fragment, at + 2);
  const uint16_t address_length = Get16(fragment, at + 8);
  at += 10;
  if (address_length > fragment.size() - at) return false;
  at += address_length;
  at = (at + 3) & ~size_t{3};  // the result list is 4-aligned
  // Result list: count (1), reserved (3), then 24 bytes per result.
  if (at > fragment.size() || fragment.size() - at < 4) return false;
  const uint8_t results = fragment[at];
  at += 4;
  if (results < 1 || fragment.size() - at < size_t{24} * results) return false;
  ack->result = Get16(fragment, at);
  ack->reason = Get16(fragment, at + 2);
  std::copy_n(fragment.begin() + static_cast<ptrdiff_t>(at + 4), 16,
              ack->transfer_syntax.uuid.begin());
  ack->transfer_syntax.major = Get16(fragment, at + 20);
  ack->transfer_syntax.minor = Get16(fragment, at + 22);
  // A fragment smaller than a header plus a little stub is no limit we can
  // work with.
  if (ack->max_transmit < kRequestBodyOffset + 8) return false;
  return true;
}

bool ParseResponseFragment(std::span<const uint8_t> fragment, const Header& header,
                           ResponseFragment* response) {
  if (fragment.size() != header.fragment_length) return false;
  if (header.type == PacketType::kFault) {
    // alloc_hint, context id, cancel count, reserved, status.
    if (fragment.size() < kRequestBodyOffset + 4) return false;
    response->fault = true;
    response->fault_status = Get32(fragment, kRequestBodyOffset);
    response->stub = {};
    return true;
  }
  if (header.type != PacketType::kResponse) return false;
  size_t end = fragment.size();
  if (header.auth_length != 0) {
    const size_t trailer = size_t{header.auth_length} + kSecurityTrailerSize;
    if (trailer > end) return false;
    end -= trailer;
  }
  if (end < kRequestBodyOffset) return false;
  response->fault = false;
  response->stub = fragment.subspan(kRequestBodyOffset, end - kRequestBodyOffset);
  return true;
}

}  // namespace winreach::rpc
