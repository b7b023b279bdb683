// The service control manager.
#pragma once

#include <cstdint>
#include <string_view>

namespace winreach {

using ServiceHandle = void*;  // SC_HANDLE

inline constexpr uint32_t kGenericAll = 0x10000000;

class Services {
 public:
  virtual ~Services() = default;

  // OpenSCManagerW: a handle, or null with the reason as the thread's last
  // error. A null `database` means the platform's default database.
  virtual ServiceHandle OpenManager(std::wstring_view machine, const wchar_t* database,
                                    uint32_t access) = 0;

  // CloseServiceHandle.
  virtual bool Close(ServiceHandle manager) = 0;
};

}  // namespace winreach
