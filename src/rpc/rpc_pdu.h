// Connection-oriented DCE/RPC protocol data units: the 16-byte common header,
// bind, bind acknowledgement, request, response and fault. No RPC-level
// authentication: the SMB session beneath carries the caller's identity.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace winreach::rpc {

enum class PacketType : uint8_t {
  kRequest = 0,
  kResponse = 2,
  kFault = 3,
  kBind = 11,
  kBindAck = 12,
  kBindNak = 13,
};

inline constexpr uint8_t kFirstFragment = 0x01;
inline constexpr uint8_t kLastFragment = 0x02;
inline constexpr size_t kHeaderSize = 16;
// What we offer to send and receive in one fragment.
inline constexpr uint16_t kMaxFragment = 4280;

// An interface or transfer syntax: UUID in its wire order and the version.
struct SyntaxId {
  std::array<uint8_t, 16> uuid;
  uint16_t major;
  uint16_t minor;
  bool operator==(const SyntaxId&) const = default;
};

// A UUID written as text ("4b324fc8-1670-01d3-1278-5a47bf6ee188") in its wire
// order: the first three fields little-endian, the last eight bytes as they
// stand.
consteval std::array<uint8_t, 16> Uuid(const char (&text)[37]) {
  auto hex = [](char c) -> uint8_t {
    return static_cast<uint8_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  };
  std::array<uint8_t, 16> raw{};
  size_t n = 0;
  for (size_t i = 0; i < 36; ++i) {
    if (text[i] == '-') continue;
    raw[n / 2] = static_cast<uint8_t>(raw[n / 2] | (hex(text[i]) << (n % 2 ? 0 : 4)));
    ++n;
  }
  return {raw[3], raw[2], raw[1], raw[0], raw[5], raw[4], raw[7], raw[6],
          raw[8], raw[9], raw[10], raw[11], raw[12], raw[13], raw[14], raw[15]};
}

inline constexpr SyntaxId kNdrTransferSyntax{Uuid("8a885d04-1ceb-11c9-9fe8-08002b104860"), 2, 0};

struct Header {
  PacketType type;
  uint8_t flags;
  uint16_t fragment_length;
  uint16_t auth_length;
  uint32_t call_id;
};

// Reads the common header. False when it is not a version 5.0 PDU in
// little-endian integer representation, or its fragment length cannot even
// hold the header.
bool ParseHeader(std::span<const uint8_t> bytes, Header* header);

// A bind offering one presentation context (id 0) with the NDR transfer syntax.
std::vector<uint8_t> BindPdu(uint32_t call_id, const SyntaxId& interface);

// The request's stub cut into fragments of at most `max_fragment` bytes each.
std::vector<std::vector<uint8_t>> RequestPdus(uint32_t call_id, uint16_t opnum,
                                              std::span<const uint8_t> stub,
                                              uint16_t max_fragment);

struct BindAck {
  uint16_t max_transmit;  // the largest fragment the server accepts from us
  uint16_t max_receive;
  uint16_t result;        // of our one context: 0 accepted
  uint16_t reason;
  SyntaxId transfer_syntax;  // the one the server chose for our context
};

// Parses a whole bind_ack fragment (header included). False when malformed.
bool ParseBindAck(std::span<const uint8_t> fragment, BindAck* ack);

// A response fragment's stub data, or a fault's status. `fragment` is the
// whole fragment, header included, already checked by ParseHeader and of
// exactly the header's length.
struct ResponseFragment {
  bool fault = false;
  uint32_t fault_status = 0;
  std::span<const uint8_t> stub;
};
bool ParseResponseFragment(std::span<const uint8_t> fragment, const Header& header,
                           ResponseFragment* response);

}  // namespace winreach::rpc
