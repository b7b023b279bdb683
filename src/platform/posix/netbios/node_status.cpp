#include "platform/posix/netbios/node_status.h"

#include <cstring>

#include "platform/bytes.h"
#include "platform/native_types.h"

namespace winreach {

namespace {

constexpr uint16_t kTypeNbstat = 0x0021;
constexpr uint16_t kClassIn = 0x0001;

// Header flags: R (response), the opcode, and the result code.
constexpr uint16_t kResponseBit = 0x8000;
constexpr uint16_t kOpcodeMask = 0x7800;
constexpr uint16_t kResultCodeMask = 0x000F;

// NAME_FLAGS of a node status entry.
constexpr uint16_t kGroupBit = 0x8000;
constexpr uint16_t kDeregisteringBit = 0x1000;
constexpr uint16_t kConflictBit = 0x0800;
constexpr uint16_t kActiveBit = 0x0400;

constexpr size_t kNodeNameSize = 18;
constexpr size_t kStatisticsSize = 46;  // the unit id is its first field
constexpr size_t kMaxEncodedName = 255;

// Passes over an encoded domain name: labels up to the root label, or up to
// a compression pointer, which ends the name where it stands. The name's
// content does not matter to us, only where it ends.
void SkipName(ByteReader& in) {
  size_t total = 0;
  while (in.ok()) {
    const uint8_t length = in.U8();
    if ((length & 0xC0) == 0xC0) return in.Skip(1);
    if ((length & 0xC0) != 0) return in.Fail();  // reserved label types
    if (length == 0) return;
    total += length + 1u;
    if (total > kMaxEncodedName) return in.Fail();
    in.Skip(length);
  }
}

}  // namespace

std::array<uint8_t, kNodeStatusRequestSize> NodeStatusRequest(uint16_t transaction_id) {
  std::array<uint8_t, kNodeStatusRequestSize> request{};
  ByteWriter out(request);
  out.U16Be(transaction_id);
  out.U16Be(0x0000);  // query, unicast, no recursion
  out.U16Be(1);       // one question
  out.Bytes(std::array<uint8_t, 6>{});

  // "*" and fifteen zero bytes, each byte as two letters 'A' + nibble.
  const uint8_t name[16] = {'*'};
  out.U8(32);
  for (uint8_t byte : name) {
    out.U8(static_cast<uint8_t>('A' + (byte >> 4)));
    out.U8(static_cast<uint8_t>('A' + (byte & 0x0F)));
  }
  out.U8(0);
  out.U16Be(kTypeNbstat);
  out.U16Be(kClassIn);
  return request;
}

std::optional<NodeStatus> ParseNodeStatusResponse(std::span<const uint8_t> datagram,
                                                  uint16_t transaction_id) {
  ByteReader in(datagram);
  const uint16_t id = in.U16Be();
  const uint16_t flags = in.U16Be();
  const uint16_t questions = in.U16Be();
  const uint16_t answers = in.U16Be();
  in.Skip(4);
  SkipName(in);
  const uint16_t type = in.U16Be();
  const uint16_t rr_class = in.U16Be();
  in.Skip(4);
  ByteReader data(in.Bytes(in.U16Be()));
  if (!in.ok() || id != transaction_id || (flags & kResponseBit) == 0 ||
      (flags & kOpcodeMask) != 0 || (flags & kResultCodeMask) != 0 || questions != 0 ||
      answers == 0 || type != kTypeNbstat || rr_class != kClassIn) {
    return std::nullopt;
  }

  const uint8_t count = data.U8();
  if (data.left() < count * kNodeNameSize + kStatisticsSize) return std::nullopt;
  NodeStatus status;
  status.names.resize(count);
  for (NodeName& entry : status.names) {
    data.CopyTo(entry.name.data(), entry.name.size());
    entry.flags = data.U16Be();
  }
  data.CopyTo(status.unit_id.data(), status.unit_id.size());
  if (!data.ok()) return std::nullopt;
  return status;
}

uint8_t NameFlagsFromWire(uint16_t wire_flags) {
  const bool deregistering = (wire_flags & kDeregisteringBit) != 0;
  const bool conflict = (wire_flags & kConflictBit) != 0;
  uint8_t state = REGISTERING;
  if (deregistering && conflict) {
    state = DUPLICATE_DEREG;
  } else if (conflict) {
    state = DUPLICATE;
  } else if (deregistering) {
    state = DEREGISTERED;
  } else if ((wire_flags & kActiveBit) != 0) {
    state = REGISTERED;
  }
  return static_cast<uint8_t>(((wire_flags & kGroupBit) != 0 ? GROUP_NAME : UNIQUE_NAME) | state);
}

std::vector<uint8_t> AdapterStatusImage(const NodeStatus& status) {
  ADAPTER_STATUS adapter{};
  std::memcpy(adapter.adapter_address, status.unit_id.data(), sizeof adapter.adapter_address);
  adapter.name_count = static_cast<WORD>(status.names.size());

  std::vector<uint8_t> image(sizeof adapter + status.names.size() * sizeof(NAME_BUFFER));
  std::memcpy(image.data(), &adapter, sizeof adapter);
  uint8_t* at = image.data() + sizeof adapter;
  for (const NodeName& entry : status.names) {
    NAME_BUFFER name{};
    std::memcpy(name.name, entry.name.data(), sizeof name.name);
    name.name_flags = NameFlagsFromWire(entry.flags);
    std::memcpy(at, &name, sizeof name);
    at += sizeof name;
  }
  return image;
}

}  // namespace winreach
