#include "platform/win32/libraries_win32.h"

#include <cstring>
#include <string>

#include "platform/native_types.h"

namespace winreach {

LibraryHandle Win32Libraries::Load(std::wstring_view file_name) {
  return ::LoadLibraryW(std::wstring(file_name).c_str());
}

// The entry point travels as an untyped address; its user converts it back
// to the function's own declaration (with WINAPI) before calling it.
void* Win32Libraries::GetProcAddress(LibraryHandle library, const char* name) {
  const FARPROC entry = ::GetProcAddress(static_cast<HMODULE>(library), name);
  void* address = nullptr;
  static_assert(sizeof entry == sizeof address);
  std::memcpy(&address, &entry, sizeof address);
  return address;
}

bool Win32Libraries::Free(LibraryHandle library) {
  return ::FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

}  // namespace winreach
