#include "platform/posix/libraries_posix.h"

namespace winreach {

// Interim: no library is available until the ICMP provider is in place.
LibraryHandle PosixLibraries::Load(std::wstring_view) { return nullptr; }
void* PosixLibraries::GetProcAddress(LibraryHandle, const char*) { return nullptr; }
bool PosixLibraries::Free(LibraryHandle) { return false; }

}  // namespace winreach
