// Scripted NetBIOS: a handler sees every control block.
#pragma once

#include <functional>
#include <vector>

#include "platform/netbios.h"

namespace winreach {

class FakeNetbios : public Netbios {
 public:
  uint8_t Call(NCB* ncb) override;

  // Unset: every command fails with NRC_BRIDGE.
  std::function<uint8_t(NCB*)> handler;
  std::vector<NCB> calls;  // copies, as each call was made
};

}  // namespace winreach
