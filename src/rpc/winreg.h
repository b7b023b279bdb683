// The remote registry interface (winreg): the local-machine root, keys,
// values. Only reads: nothing here creates, writes or deletes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "rpc/ndr.h"
#include "rpc/rpc_pdu.h"

namespace winreach::rpc {

inline constexpr SyntaxId kWinreg{Uuid("338cd001-2244-31f1-aaaa-900038001003"), 1, 0};
inline constexpr uint16_t kOpenLocalMachine = 2;
inline constexpr uint16_t kBaseRegOpenKey = 15;
inline constexpr uint16_t kBaseRegQueryValue = 17;

inline constexpr uint32_t kMaximumAllowed = 0x02000000;

std::vector<uint8_t> OpenLocalMachineRequest(uint32_t access);
std::vector<uint8_t> BaseRegOpenKeyRequest(const ContextHandle& key, std::u16string_view sub_key,
                                           uint32_t options, uint32_t access);
// Asks for the value's type, its data into `capacity` bytes, and its size.
std::vector<uint8_t> BaseRegQueryValueRequest(const ContextHandle& key,
                                              std::u16string_view value_name, uint32_t capacity);

struct QueryValueResponse {
  uint32_t status = 0;
  bool has_type = false;
  uint32_t type = 0;
  std::vector<uint8_t> data;  // the bytes that came back
  bool has_size = false;
  uint32_t size = 0;          // the value's size as the server reports it
};

// Decodes the answer to a query made with `capacity`. False when it is
// malformed or lies: counts that disagree or exceed the data, more data than
// was asked for, a success that reports a size beyond the capacity.
bool ParseBaseRegQueryValueResponse(std::span<const uint8_t> stub, uint32_t capacity,
                                    QueryValueResponse* response);

}  // namespace winreach::rpc
