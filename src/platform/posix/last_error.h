// The thread's last error code, shared by every Linux area as Windows shares
// one slot between GetLastError and WSAGetLastError.
#pragma once

#include <cstdint>

namespace winreach {

uint32_t ThreadLastError();
void SetThreadLastError(uint32_t code);

// The Windows Sockets code for an errno value.
uint32_t WinsockErrorFromErrno(int error);

}  // namespace winreach
