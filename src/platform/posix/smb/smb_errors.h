// The Windows codes for libsmbclient's failures (errno values), by the stage
// at which they happen. libsmbclient folds NT status codes into errno, so the
// stage tells apart what errno alone cannot (a logon failure and an access
// refused are both EACCES).
#pragma once

#include <cstdint>

namespace winreach {

// No connection to the server and share came about: the network, the name
// or the logon failed. EACCES is a logon failure when credentials were
// offered, an anonymous logon refused otherwise. `nt_status` is the server's
// status behind `error` when libsmbclient's log told it, 0 otherwise.
uint32_t ConnectionErrorCode(int error, bool credentials_offered, uint32_t nt_status = 0);

// Connected to IPC$, the pipe itself would not open: refused (5), or no
// such pipe, which Windows reports as an unreachable path (53).
uint32_t PipeOpenErrorCode(int error);

// Connected to the share, the file would not open. `folder_exists` says
// whether the file's folder could be found, when the file could not.
uint32_t FileOpenErrorCode(int error, bool folder_exists);

// A read or write on an open pipe failed.
uint32_t PipeTransferErrorCode(int error);

}  // namespace winreach
