// Network management: the server service's information.
#pragma once

#include <cstdint>
#include <string_view>

namespace winreach {

class Management {
 public:
  virtual ~Management() = default;

  // NetServerGetInfo: on success `*buffer` is a block of the level's
  // SERVER_INFO_* layout that the caller releases with BufferFree.
  virtual uint32_t ServerGetInfo(std::wstring_view server, uint32_t level, uint8_t** buffer) = 0;

  // NetApiBufferFree.
  virtual uint32_t BufferFree(void* buffer) = 0;
};

}  // namespace winreach
