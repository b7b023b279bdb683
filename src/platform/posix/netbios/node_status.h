// The NetBIOS name service's node status exchange (RFC 1002, 4.2.17 and
// 4.2.18): the request we send and the checked reading of its answer. Pure
// byte handling, no sockets, so that every length rule can be tested and
// fuzzed on its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace winreach {

inline constexpr uint16_t kNameServicePort = 137;

// Header, the encoded name "*" (length byte, 32 half-ASCII bytes, root label),
// question type and class.
inline constexpr size_t kNodeStatusRequestSize = 12 + 34 + 4;

// A node status request for the wildcard name "*", type NBSTAT, class IN,
// neither broadcast nor recursion desired.
std::array<uint8_t, kNodeStatusRequestSize> NodeStatusRequest(uint16_t transaction_id);

// One entry of the answer's name table, as it came on the wire.
struct NodeName {
  std::array<uint8_t, 16> name;  // 15 characters and the suffix byte, as sent
  uint16_t flags;                // NAME_FLAGS: G, ONT, DRG, CNF, ACT, PRM
};

struct NodeStatus {
  std::vector<NodeName> names;  // at most 255, the count is one byte
  std::array<uint8_t, 6> unit_id;  // the first six bytes of the statistics
};

// Reads a datagram as the answer to the request with `transaction_id`.
// Empty unless it is a well-formed positive node status response: the id
// matches, the header says response/query/no error with one answer and no
// question, the answer is of type NBSTAT and class IN, its data fits the
// datagram, and the data holds the announced names and the whole statistics
// block.
// Bytes after the answer are ignored.
std::optional<NodeStatus> ParseNodeStatusResponse(std::span<const uint8_t> datagram,
                                                  uint16_t transaction_id);

// The platform's NAME_BUFFER flags for a name's wire flags: GROUP_NAME for
// the group bit, and the name's state.
uint8_t NameFlagsFromWire(uint16_t wire_flags);

// The bytes an adapter-status command delivers for `status`: one
// ADAPTER_STATUS with the unit id as adapter address and the name count,
// followed by one NAME_BUFFER per name.
std::vector<uint8_t> AdapterStatusImage(const NodeStatus& status);

}  // namespace winreach
