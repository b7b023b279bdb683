// A scripted remote registry: keys by path with their values, and a log of
// every call.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace winreach {

class FakeRegistry : public Registry {
 public:
  uint32_t ConnectRegistry(std::wstring_view machine, RegistryKey root,
                           RegistryKey* result) override;
  uint32_t OpenKey(RegistryKey key, std::wstring_view sub_key, uint32_t options, uint32_t access,
                   RegistryKey* result) override;
  uint32_t QueryValue(RegistryKey key, std::wstring_view value_name, uint32_t* type,
                      uint8_t* data, uint32_t* size) override;
  uint32_t CloseKey(RegistryKey key) override;

  struct Key {
    uint32_t open_status = 0;                 // non-zero: the opening fails
    std::map<uint32_t, uint32_t> refused;     // access mask -> status
    std::map<std::wstring, std::vector<uint8_t>> values;
  };

  uint32_t connect_status = 0;  // non-zero: no root handle
  bool connect_gives_handle_with_error = false;
  std::map<std::wstring, Key> keys;  // by path under the root; absent: status 2

  std::vector<std::wstring> log;  // "connect", "open <path> <mask>", "query <name> <size>", "close <what>"
  std::vector<uint32_t> query_sizes;  // the size passed in to every query

 private:
  std::map<RegistryKey, std::wstring> open_;  // handle -> path ("" for the root)
  uintptr_t next_ = 0x1000;
};

// The registry value data of a wide string, with its terminator.
std::vector<uint8_t> WideValue(std::wstring_view text);

}  // namespace winreach
