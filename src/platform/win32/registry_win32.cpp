#include "platform/win32/registry_win32.h"

#include <string>

#include "platform/native_types.h"

namespace winreach {

namespace {

HKEY Native(RegistryKey key) { return static_cast<HKEY>(key); }

}  // namespace

uint32_t Win32Registry::ConnectRegistry(std::wstring_view machine, RegistryKey root,
                                        RegistryKey* result) {
  const std::wstring name(machine);
  HKEY connected = Native(*result);
  const LSTATUS status = ::RegConnectRegistryW(name.c_str(), Native(root),
                                               &connected);
  *result = connected;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Registry::OpenKey(RegistryKey key, std::wstring_view sub_key, uint32_t options,
                                uint32_t access, RegistryKey* result) {
  const std::wstring path(sub_key);
  HKEY opened = Native(*result);
  const LSTATUS status = ::RegOpenKeyExW(Native(key), path.c_str(), options, access, &opened);
  *result = opened;
  return static_cast<uint32_t>(status);
}

// DWORD and uint32_t are different types of one size on Windows: the values
// pass through DWORDs of the call's own.
uint32_t Win32Registry::QueryValue(RegistryKey key, std::wstring_view value_name, uint32_t* type,
                                   uint8_t* data, uint32_t* size) {
  const std::wstring name(value_name);
  DWORD value_type = 0;
  DWORD value_size = size != nullptr ? *size : 0;
  const LSTATUS status =
      ::RegQueryValueExW(Native(key), name.c_str(), nullptr, type != nullptr ? &value_type : nullptr,
                         data, size != nullptr ? &value_size : nullptr);
  if (type != nullptr) *type = value_type;
  if (size != nullptr) *size = value_size;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Registry::CloseKey(RegistryKey key) {
  return static_cast<uint32_t>(::RegCloseKey(Native(key)));
}

}  // namespace winreach
