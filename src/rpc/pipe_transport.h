// A named pipe that carries DCE/RPC fragments: whole writes, exact reads.
#pragma once

#include <cstdint>
#include <span>

namespace winreach::rpc {

class PipeTransport {
 public:
  virtual ~PipeTransport() = default;

  // Writes all of `bytes`: 0, or the Windows code of the failure.
  virtual uint32_t Write(std::span<const uint8_t> bytes) = 0;

  // Reads exactly `out.size()` bytes, never more: 0, or the Windows code of
  // the failure. A pipe that ends early is a protocol error.
  virtual uint32_t Read(std::span<uint8_t> out) = 0;
};

}  // namespace winreach::rpc
