#include "platform/posix/netbios/node_status.h"

#include <cstring>

#include "native_types.h"

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

constexpr size_t kHeaderSize = 12;
constexpr size_t kNodeNameSize = 18;
constexpr size_t kUnitIdSize = 6;
constexpr size_t kStatisticsSize = 46;  // the unit id is its first field
constexpr size_t kMaxEncodedName = 255;

// A bounds-checked reader over one datagram. Every read reports whether the
// bytes were there; a failed read leaves the position where it was.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}

  size_t left() const { return data_.size() - position_; }

  bool Byte(uint8_t* value) {
    if (left() < 1) return false;
    *value = data_[position_++];
    return true;
  }

  bool Word(uint16_t* value) {
    if (left() < 2) return false;
    *value = static_cast<uint16_t>(data_[position_] << 8 | data_[position_ + 1]);
    position_ += 2;
    return true;
  }

  bool Skip(size_t count) {
    if (left() < count) return false;
    position_ += count;
    return true;
  }

  std::span<const uint8_t> Take(size_t count) {
    if (left() < count) return {};
    const auto part = data_.subspan(position_, count);
    position_ += count;
    return part;
  }

  // Passes over an encoded domain name: labels up to the root label, or up
  // to a compression pointer, which ends the name where it stands. The name's
  // content does not matter to us, only where it ends.
  bool SkipName() {
    size_t total = 0;
    for (;;) {
      uint8_t length = 0;
      if (!Byte(&length)) return false;
      if ((length & 0xC0) == 0xC0) return Skip(1);
      if ((length & 0xC0) != 0) return false;  // reserved label types
      if (length == 0) return true;
      total += length + 1u;
      if (total > kMaxEncodedName || !Skip(length)) return false;
    }
  }

 private:
  std::span<const uint8_t> data_;
  size_t position_ = 0;
};

void PutWord(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}

}  // namespace

std::array<uint8_t, kNodeStatusRequestSize> NodeStatusRequest(uint16_t transaction_id) {
  std::array<uint8_t, kNodeStatusRequestSize> request{};
  uint8_t* p = request.data();
  PutWord(p, transaction_id);
  PutWord(p + 2, 0x0000);  // query, unicast, no recursion
  PutWord(p + 4, 1);       // one question
  p += kHeaderSize;

  // "*" and fifteen zero bytes, each byte as two letters 'A' + nibble.
  uint8_t name[16] = {'*'};
  *p++ = 32;
  for (uint8_t byte : name) {
    *p++ = static_cast<uint8_t>('A' + (byte >> 4));
    *p++ = static_cast<uint8_t>('A' + (byte & 0x0F));
  }
  *p++ = 0;
  PutWord(p, kTypeNbstat);
  PutWord(p + 2, kClassIn);
  return request;
}

std::optional<NodeStatus> ParseNodeStatusResponse(std::span<const uint8_t> datagram,
                                                  uint16_t transaction_id) {
  Reader in(datagram);
  uint16_t id = 0, flags = 0, questions = 0, answers = 0;
  if (!in.Word(&id) || !in.Word(&flags) || !in.Word(&questions) || !in.Word(&answers) ||
      !in.Skip(4)) {
    return std::nullopt;
  }
  if (id != transaction_id || (flags & kResponseBit) == 0 || (flags & kOpcodeMask) != 0 ||
      (flags & kResultCodeMask) != 0 || questions != 0 || answers == 0) {
    return std::nullopt;
  }

  uint16_t type = 0, rr_class = 0, data_length = 0;
  if (!in.SkipName() || !in.Word(&type) || !in.Word(&rr_class) || !in.Skip(4) ||
      !in.Word(&data_length)) {
    return std::nullopt;
  }
  if (type != kTypeNbstat || rr_class != kClassIn || data_length > in.left()) return std::nullopt;

  Reader data(in.Take(data_length));
  uint8_t count = 0;
  if (!data.Byte(&count) || data.left() < count * kNodeNameSize + kStatisticsSize) {
    return std::nullopt;
  }
  NodeStatus status;
  status.names.resize(count);
  for (NodeName& entry : status.names) {
    const auto name = data.Take(entry.name.size());
    std::memcpy(entry.name.data(), name.data(), entry.name.size());
    data.Word(&entry.flags);
  }
  const auto unit_id = data.Take(kUnitIdSize);
  std::memcpy(status.unit_id.data(), unit_id.data(), kUnitIdSize);
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
