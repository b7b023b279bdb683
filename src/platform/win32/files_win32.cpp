#include "platform/win32/files_win32.h"

#include <string>

#include "platform/native_types.h"

namespace winreach {

FileHandle Win32Files::Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                            uint32_t disposition, uint32_t flags) {
  const std::wstring name(path);
  return ::CreateFileW(name.c_str(), access, share_mode, nullptr, disposition, flags, nullptr);
}

bool Win32Files::Close(FileHandle file) { return ::CloseHandle(file) != 0; }

}  // namespace winreach
