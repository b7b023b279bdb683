// NetBIOS on Linux: our own NetBIOS-over-UDP client. It knows the two
// commands that the tool gives: reset, which tells whether a LANA is usable,
// and adapter status, which asks a computer named by its IPv4 address.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/netbios.h"
#include "platform/posix/netbios/lana_table.h"
#include "platform/posix/netbios/node_status_client.h"

namespace winreach {

struct NetbiosOptions {
  uint16_t port = kNameServicePort;  // where the target's name service listens
  NodeStatusTiming timing;
  // The local IPv4 addresses from which the LANAs are numbered.
  std::function<std::optional<std::vector<InterfaceAddress>>()> interfaces =
      SystemInterfaceAddresses;
};

class PosixNetbios : public Netbios {
 public:
  PosixNetbios() = default;
  explicit PosixNetbios(NetbiosOptions options) : options_(std::move(options)) {}

  uint8_t Call(NCB* ncb) override;

 private:
  uint8_t Reset(const NCB& ncb);
  uint8_t AdapterStatus(NCB* ncb);

  NetbiosOptions options_;
};

}  // namespace winreach
