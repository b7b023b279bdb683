#include "platform/posix/last_error.h"

#include <cerrno>

#include "platform/status_codes.h"

namespace winreach {

namespace {
thread_local uint32_t last_error = 0;
}  // namespace

uint32_t ThreadLastError() { return last_error; }

void SetThreadLastError(uint32_t code) { last_error = code; }

uint32_t WinsockErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return status::kWsaAccess;
    case EINVAL:
      return status::kWsaInvalidArgument;
    case EMFILE:
    case ENFILE:
      return status::kWsaTooManySockets;
    case EMSGSIZE:
      return status::kWsaMessageSize;
    case EPROTONOSUPPORT:
      return status::kWsaProtocolNotSupported;
    case EAFNOSUPPORT:
      return status::kWsaAddressFamilyNotSupported;
    case ENETUNREACH:
      return status::kWsaNetworkUnreachable;
    case ENOBUFS:
    case ENOMEM:
      return status::kWsaNoBuffers;
    case ETIMEDOUT:
    case EAGAIN:
      return status::kWsaTimedOut;
    case ECONNREFUSED:
      return status::kWsaConnectionRefused;
    case EHOSTUNREACH:
      return status::kWsaHostUnreachable;
    case EINTR:
      return status::kWsaInterrupted;
    case EBADF:
      return status::kWsaBadHandle;
    case ENOTSOCK:
      return status::kWsaNotASocket;
    case EADDRINUSE:
      return status::kWsaAddressInUse;
    case EADDRNOTAVAIL:
      return status::kWsaAddressNotAvailable;
    case ENETDOWN:
      return status::kWsaNetworkDown;
    case ECONNRESET:
      return status::kWsaConnectionReset;
    case ENOTCONN:
      return status::kWsaNotConnected;
    case EHOSTDOWN:
      return status::kWsaHostDown;
    default:
      return status::kWsaSystemCallFailure;  // no closer Windows Sockets code

  }
}

}  // namespace winreach
