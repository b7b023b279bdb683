// NetBIOS on Linux: our own NetBIOS-over-UDP client.
#pragma once

#include "platform/netbios.h"

namespace winreach {

class PosixNetbios : public Netbios {
 public:
  uint8_t Call(NCB* ncb) override;
};

}  // namespace winreach
