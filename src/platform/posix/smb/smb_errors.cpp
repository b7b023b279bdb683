#include "platform/posix/smb/smb_errors.h"

#include <cerrno>

#include "platform/status_codes.h"

namespace winreach {

uint32_t ConnectionErrorCode(int error, bool credentials_offered) {
  switch (error) {
    case EACCES:
    case EPERM:
      return credentials_offered ? status::kLogonFailure : status::kAccessDenied;
    case ENOMEM:
      return status::kNotEnoughMemory;
    default:
      // Refused, unreachable, timed out, name not found (EINVAL), reset:
      // all are a path that cannot be reached.
      return status::kBadNetPath;
  }
}

uint32_t PipeOpenErrorCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return status::kAccessDenied;
    case ENOMEM:
      return status::kNotEnoughMemory;
    default:
      return status::kBadNetPath;
  }
}

uint32_t FileOpenErrorCode(int error, bool folder_exists) {
  switch (error) {
    case ENOENT:
      return folder_exists ? status::kFileNotFound : status::kPathNotFound;
    case ENOTDIR:
      return status::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return status::kAccessDenied;
    case ENOMEM:
      return status::kNotEnoughMemory;
    default:
      return status::kBadNetPath;
  }
}

uint32_t PipeTransferErrorCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return status::kAccessDenied;
    case ENOMEM:
      return status::kNotEnoughMemory;
    default:
      return 1726;  // RPC_S_CALL_FAILED: the call was under way
  }
}

}  // namespace winreach
