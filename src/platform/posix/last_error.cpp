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
      return 10004;  // WSAEINTR
    case EBADF:
      return 10009;  // WSAEBADF
    case ENOTSOCK:
      return 10038;  // WSAENOTSOCK
    case EADDRINUSE:
      return 10048;  // WSAEADDRINUSE
    case EADDRNOTAVAIL:
      return 10049;  // WSAEADDRNOTAVAIL
    case ENETDOWN:
      return 10050;  // WSAENETDOWN
    case ECONNRESET:
      return 10054;  // WSAECONNRESET
    case ENOTCONN:
      return 10057;  // WSAENOTCONN
    case EHOSTDOWN:
      return 10064;  // WSAEHOSTDOWN
    default:
      return 10107;  // WSASYSCALLFAILURE: no closer Windows Sockets code

  }
}

}  // namespace winreach
