#include "platform/win32/management_win32.h"

#include <string>

#include "platform/native_types.h"

namespace winreach {

uint32_t Win32Management::ServerGetInfo(std::wstring_view server, uint32_t level,
                                        uint8_t** buffer) {
  std::wstring name(server);
  LPBYTE information = nullptr;
  const NET_API_STATUS status = ::NetServerGetInfo(name.data(), level, &information);
  *buffer = information;
  return status;
}

uint32_t Win32Management::BufferFree(void* buffer) { return ::NetApiBufferFree(buffer); }

}  // namespace winreach
