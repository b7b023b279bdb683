#include "platform/win32/services_win32.h"

#include <string>

#include "platform/native_types.h"

namespace winreach {

ServiceHandle Win32Services::OpenManager(std::wstring_view machine, const wchar_t* database,
                                         uint32_t access) {
  const std::wstring name(machine);
  return ::OpenSCManagerW(name.c_str(), database, access);
}

bool Win32Services::Close(ServiceHandle manager) {
  return ::CloseServiceHandle(static_cast<SC_HANDLE>(manager)) != 0;
}

}  // namespace winreach
