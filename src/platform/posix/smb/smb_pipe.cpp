#include "platform/posix/smb/smb_pipe.h"

#include <libsmbclient.h>

#include <cerrno>

#include "platform/posix/smb/smb_errors.h"
#include "platform/status_codes.h"

namespace winreach {

SmbPipe::~SmbPipe() {
  if (file_ != nullptr) smbc_getFunctionClose(session_.context())(session_.context(), file_);
}

uint32_t SmbPipe::Write(std::span<const uint8_t> bytes) {
  SMBCCTX* context = session_.context();
  size_t done = 0;
  while (done < bytes.size()) {
    if (session_.TimeIsUp()) return status::kSemTimeout;
    errno = 0;
    const ssize_t n = smbc_getFunctionWrite(context)(context, file_, bytes.data() + done,
                                                     bytes.size() - done);
    if (n <= 0 && session_.TimeIsUp()) return status::kSemTimeout;
    if (n <= 0) return PipeTransferErrorCode(n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
  return 0;
}

uint32_t SmbPipe::Read(std::span<uint8_t> out) {
  // Never ask for more than is still owed: a larger read waits for a
  // message that is not coming until the time-out.
  SMBCCTX* context = session_.context();
  size_t done = 0;
  while (done < out.size()) {
    if (session_.TimeIsUp()) return status::kSemTimeout;
    errno = 0;
    const ssize_t n =
        smbc_getFunctionRead(context)(context, file_, out.data() + done, out.size() - done);
    if (n <= 0 && session_.TimeIsUp()) return status::kSemTimeout;
    if (n < 0) return PipeTransferErrorCode(errno);
    if (n == 0) return status::kRpcProtocolError;  // the answer ended early
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace winreach
