// Asks one computer for its node status over UDP: the request goes from an
// ephemeral port on a local address to the name service port of the target,
// and is sent again while no answer comes, always with the same transaction
// id, so that an answer to any of the tries counts.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/posix/netbios/node_status.h"

namespace winreach {

struct NodeStatusTiming {
  int tries = 3;
  std::chrono::milliseconds interval{1500};  // from one try to the next, and after the last
};

struct NodeStatusOutcome {
  // NRC_GOODRET with `status`; NRC_CMDTMO when no answer came or nothing
  // listens at the target's port; NRC_SYSTEM when a local socket operation
  // failed.
  uint8_t code;
  std::optional<NodeStatus> status;
};

// `target` holds the address and port (network order) to ask.
NodeStatusOutcome QueryNodeStatus(in_addr local, const sockaddr_in& target,
                                  const NodeStatusTiming& timing);

}  // namespace winreach
