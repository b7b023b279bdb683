// The remote registry: connect, open a key, read a value, close.
#pragma once

#include <cstdint>
#include <string_view>

namespace winreach {

using RegistryKey = void*;  // HKEY

// HKEY_LOCAL_MACHINE, sign-extended as the platform defines it.
inline RegistryKey LocalMachineRoot() {
  return reinterpret_cast<RegistryKey>(static_cast<intptr_t>(static_cast<int32_t>(0x80000002)));
}

inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;
inline constexpr uint32_t kKeyWow64_64Key = 0x0100;

class Registry {
 public:
  virtual ~Registry() = default;

  // RegConnectRegistryW.
  virtual uint32_t ConnectRegistry(std::wstring_view machine, RegistryKey root,
                                   RegistryKey* result) = 0;

  // RegOpenKeyExW, with the access mask passed as given.
  virtual uint32_t OpenKey(RegistryKey key, std::wstring_view sub_key, uint32_t options,
                           uint32_t access, RegistryKey* result) = 0;

  // RegQueryValueExW: `*size` is the buffer's capacity in and the data's
  // size out; `type` may be null.
  virtual uint32_t QueryValue(RegistryKey key, std::wstring_view value_name, uint32_t* type,
                              uint8_t* data, uint32_t* size) = 0;

  // RegCloseKey.
  virtual uint32_t CloseKey(RegistryKey key) = 0;
};

}  // namespace winreach
