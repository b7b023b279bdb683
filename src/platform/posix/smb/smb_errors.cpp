#include "platform/posix/smb/smb_errors.h"

#include <cerrno>

#include "platform/posix/smb/smb_status_log.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

// What every stage shares: a refusal gets the stage's refusal code, a lack of
// memory its own, and everything else the stage's code for the rest.
uint32_t StageErrorCode(int error, uint32_t refused, uint32_t otherwise) {
  switch (error) {
    case EACCES:
    case EPERM:
      return refused;
    case ENOMEM:
      return status::kNotEnoughMemory;
    default:
      return otherwise;
  }
}

}  // namespace

// Refused, unreachable, timed out, name not found (EINVAL), reset: all are a
// path that cannot be reached. Two answers are not silence: a server that
// refuses NTLM says so (EINVAL, with the status in the log), and a server
// that takes the connection and drops it at the negotiation (ECONNABORTED)
// has no dialect in common with us, as an SMB1-only server with SMB1 not
// allowed in smb.conf: the request is not supported.
uint32_t ConnectionErrorCode(int error, bool credentials_offered, uint32_t nt_status) {
  if (nt_status == kNtStatusNtlmBlocked) return status::kNtlmBlocked;
  if (error == ECONNABORTED) return status::kNotSupported;
  return StageErrorCode(error, credentials_offered ? status::kLogonFailure : status::kAccessDenied,
                        status::kBadNetPath);
}

uint32_t PipeOpenErrorCode(int error) {
  return StageErrorCode(error, status::kAccessDenied, status::kBadNetPath);
}

uint32_t FileOpenErrorCode(int error, bool folder_exists) {
  switch (error) {
    case ENOENT:
      return folder_exists ? status::kFileNotFound : status::kPathNotFound;
    case ENOTDIR:
      return status::kPathNotFound;
    case EISDIR:
      return status::kAccessDenied;
    default:
      return StageErrorCode(error, status::kAccessDenied, status::kBadNetPath);
  }
}

// The call was under way when the transport failed.
uint32_t PipeTransferErrorCode(int error) {
  return StageErrorCode(error, status::kAccessDenied, status::kRpcCallFailed);
}

}  // namespace winreach
