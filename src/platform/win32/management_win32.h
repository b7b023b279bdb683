// Network management: NetServerGetInfo and NetApiBufferFree.
#pragma once

#include "platform/management.h"

namespace winreach {

class Win32Management : public Management {
 public:
  uint32_t ServerGetInfo(std::wstring_view server, uint32_t level, uint8_t** buffer) override;
  uint32_t BufferFree(void* buffer) override;
};

}  // namespace winreach
