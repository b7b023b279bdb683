#include "platform/posix/address_info_posix.h"

#include <netdb.h>

#include <cerrno>

#include "platform/posix/last_error.h"
#include "platform/status_codes.h"

namespace winreach::address_info {

int WinsockErrorFromAddrInfo(int eai_error, int system_error) {
  switch (eai_error) {
    case 0:
      return 0;
    case EAI_NONAME:
      return static_cast<int>(status::kWsaHostNotFound);
    case EAI_AGAIN:
      return static_cast<int>(status::kWsaTryAgain);
    case EAI_FAIL:
      return static_cast<int>(status::kWsaNoRecovery);
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return static_cast<int>(status::kWsaNoData);
    case EAI_FAMILY:
      return static_cast<int>(status::kWsaAddressFamilyNotSupported);
    case EAI_SOCKTYPE:
      return static_cast<int>(status::kWsaSocketTypeNotSupported);
    case EAI_SERVICE:
      return static_cast<int>(status::kWsaTypeNotFound);
    case EAI_BADFLAGS:
      return static_cast<int>(status::kWsaInvalidArgument);
    case EAI_MEMORY:
      return static_cast<int>(status::kNotEnoughMemory);  // WSA_NOT_ENOUGH_MEMORY
    case EAI_SYSTEM:
      return static_cast<int>(WinsockErrorFromErrno(system_error));
    default:
      return static_cast<int>(status::kWsaNoRecovery);
  }
}

int WINAPI GetAddrInfo(PCSTR node, PCSTR service, const ADDRINFOA* hints, PADDRINFOA* result) {
  if (result == nullptr) {
    SetThreadLastError(status::kWsaFault);
    return static_cast<int>(status::kWsaFault);
  }
  *result = nullptr;
  // Without hints Windows answers with every family and one entry per
  // address; asking for one socket type gives the same from the C library.
  addrinfo own{};
  const bool defaults = hints == nullptr;
  if (defaults) {
    own.ai_family = AF_UNSPEC;
    own.ai_socktype = SOCK_DGRAM;
    hints = &own;
  }
  const int answer = ::getaddrinfo(node, service, hints, result);
  if (answer != 0) {
    *result = nullptr;
    const int code = WinsockErrorFromAddrInfo(answer, errno);
    SetThreadLastError(static_cast<uint32_t>(code));
    return code;
  }
  if (defaults) {
    for (addrinfo* entry = *result; entry != nullptr; entry = entry->ai_next) {
      entry->ai_socktype = 0;
      entry->ai_protocol = 0;
    }
  }
  return 0;
}

void WINAPI FreeAddrInfo(PADDRINFOA list) {
  if (list != nullptr) ::freeaddrinfo(list);
}

}  // namespace winreach::address_info
