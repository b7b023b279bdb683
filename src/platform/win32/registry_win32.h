// The registry API, remote through RegConnectRegistryW.
#pragma once

#include "platform/registry.h"

namespace winreach {

class Win32Registry : public Registry {
 public:
  uint32_t ConnectRegistry(std::wstring_view machine, RegistryKey root,
                           RegistryKey* result) override;
  uint32_t OpenKey(RegistryKey key, std::wstring_view sub_key, uint32_t options, uint32_t access,
                   RegistryKey* result) override;
  uint32_t QueryValue(RegistryKey key, std::wstring_view value_name, uint32_t* type,
                      uint8_t* data, uint32_t* size) override;
  uint32_t CloseKey(RegistryKey key) override;
};

}  // namespace winreach
