// NetBIOS through the system's Netbios() in NETAPI32.
#pragma once

#include "platform/netbios.h"

namespace winreach {

class Win32Netbios : public Netbios {
 public:
  uint8_t Call(NCB* ncb) override;
};

}  // namespace winreach
