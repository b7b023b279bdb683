// The NetBIOS interface: one control block in, one return code out.
#pragma once

#include <cstdint>

#include "platform/native_types.h"

namespace winreach {

class Netbios {
 public:
  virtual ~Netbios() = default;

  // Netbios(): carries out the command in `ncb` synchronously and returns
  // its code (0 on success).
  virtual uint8_t Call(NCB* ncb) = 0;
};

}  // namespace winreach
