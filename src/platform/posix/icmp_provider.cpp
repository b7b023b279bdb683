#include "platform/posix/icmp_provider.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/posix/icmp_echo_exchange.h"
#include "platform/posix/last_error.h"
#include "platform/posix/scoped_fd.h"
#include "platform/status_codes.h"

namespace winreach::icmp_provider {

namespace {

uint32_t SystemErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return status::kAccessDenied;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
    case ESOCKTNOSUPPORT:
      return status::kNotSupported;
    case EMFILE:
    case ENFILE:
      return status::kTooManyOpenFiles;
    case ENOBUFS:
    case ENOMEM:
      return status::kNotEnoughMemory;
    default:
      return status::kGenFailure;
  }
}

// Open handles: the family each serves and the sequence number of its next
// echo, so that a late answer to an earlier echo is never taken for this one.
struct HandleState {
  int family;
  uint16_t next_sequence;
};

std::mutex handles_mutex;
std::map<uintptr_t, HandleState> handles;
uintptr_t next_handle = 1;

HANDLE OpenHandle(int family) {
  {
    const ScopedFd probe = DatagramSocket(family);
    if (probe.fd() < 0) {
      SetThreadLastError(SystemErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
  }
  const std::lock_guard<std::mutex> lock(handles_mutex);
  const uintptr_t id = next_handle++;
  handles[id] = HandleState{family, 1};
  return reinterpret_cast<HANDLE>(id);
}

// The sequence number for the next echo on `icmp`, or none when it is no
// open handle of `family`.
std::optional<uint16_t> NextSequence(HANDLE icmp, int family) {
  const std::lock_guard<std::mutex> lock(handles_mutex);
  const auto it = handles.find(reinterpret_cast<uintptr_t>(icmp));
  if (it == handles.end() || it->second.family != family) return std::nullopt;
  return it->second.next_sequence++;
}

}  // namespace

bool KernelOffersIcmpSockets(int family) { return DatagramSocket(family).fd() >= 0; }

HANDLE WINAPI IcmpCreateFile() { return OpenHandle(AF_INET); }

HANDLE WINAPI Icmp6CreateFile() { return OpenHandle(AF_INET6); }

BOOL WINAPI IcmpCloseHandle(HANDLE icmp) {
  const std::lock_guard<std::mutex> lock(handles_mutex);
  if (handles.erase(reinterpret_cast<uintptr_t>(icmp)) == 0) {
    SetThreadLastError(status::kInvalidHandle);
    return 0;
  }
  return 1;
}

DWORD WINAPI IcmpSendEcho(HANDLE icmp, IPAddr destination, LPVOID request_data,
                          WORD request_size, PIP_OPTION_INFORMATION options, LPVOID reply_buffer,
                          DWORD reply_size, DWORD timeout) {
  const std::optional<uint16_t> sequence = NextSequence(icmp, AF_INET);
  if (!sequence) {
    SetThreadLastError(status::kInvalidHandle);
    return 0;
  }
  if (reply_buffer == nullptr || (request_data == nullptr && request_size != 0)) {
    SetThreadLastError(status::kInvalidParameter);
    return 0;
  }
  if (reply_size < MinimumReplySize(sizeof(ICMP_ECHO_REPLY), request_size)) {
    SetThreadLastError(IP_BUF_TOO_SMALL);
    return 0;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = destination;
  auto* out = static_cast<uint8_t*>(reply_buffer);
  uint8_t* data = out + sizeof(ICMP_ECHO_REPLY);
  const EchoResult result = SendEchoAndWait(EchoRequest{
      AF_INET, nullptr, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to,
      static_cast<const uint8_t*>(request_data), request_size, options, data,
      reply_size - sizeof(ICMP_ECHO_REPLY), timeout, *sequence});

  ICMP_ECHO_REPLY reply{};
  sockaddr_in from;
  std::memcpy(&from, &result.from, sizeof from);
  reply.Address = from.sin_family == AF_INET ? from.sin_addr.s_addr : destination;
  reply.Status = result.status;
  reply.RoundTripTime = result.round_trip_ms;
  reply.DataSize = static_cast<USHORT>(result.data_size);
  reply.Data = data;
  reply.Options.Ttl = result.ttl;
  std::memcpy(out, &reply, sizeof reply);
  if (result.kind == EchoResult::Kind::kReply || result.kind == EchoResult::Kind::kError) {
    return 1;
  }
  SetThreadLastError(result.status);
  return 0;
}

DWORD WINAPI Icmp6SendEcho2(HANDLE icmp, HANDLE event, PIO_APC_ROUTINE apc_routine,
                            PVOID /*apc_context*/, sockaddr_in6* source, sockaddr_in6* destination,
                            LPVOID request_data, WORD request_size,
                            PIP_OPTION_INFORMATION options, LPVOID reply_buffer,
                            DWORD reply_size, DWORD timeout) {
  const std::optional<uint16_t> sequence = NextSequence(icmp, AF_INET6);
  if (!sequence) {
    SetThreadLastError(status::kInvalidHandle);
    return 0;
  }
  if (event != nullptr || apc_routine != nullptr) {
    SetThreadLastError(status::kNotSupported);
    return 0;
  }
  if (destination == nullptr || destination->sin6_family != AF_INET6 ||
      reply_buffer == nullptr || (request_data == nullptr && request_size != 0)) {
    SetThreadLastError(status::kInvalidParameter);
    return 0;
  }
  if (reply_size < MinimumReplySize(sizeof(ICMPV6_ECHO_REPLY), request_size)) {
    SetThreadLastError(IP_BUF_TOO_SMALL);
    return 0;
  }
  // The unspecified source lets the kernel choose.
  const bool any_source =
      source == nullptr || IN6_IS_ADDR_UNSPECIFIED(&source->sin6_addr);
  auto* out = static_cast<uint8_t*>(reply_buffer);
  const EchoResult result = SendEchoAndWait(EchoRequest{
      AF_INET6, any_source ? nullptr : reinterpret_cast<const sockaddr*>(source),
      sizeof(sockaddr_in6), reinterpret_cast<const sockaddr*>(destination), sizeof(sockaddr_in6),
      static_cast<const uint8_t*>(request_data), request_size, options,
      out + sizeof(ICMPV6_ECHO_REPLY), reply_size - sizeof(ICMPV6_ECHO_REPLY), timeout,
      *sequence});

  ICMPV6_ECHO_REPLY reply{};
  sockaddr_in6 from;
  std::memcpy(&from, &result.from, sizeof from);
  if (from.sin6_family != AF_INET6) from = *destination;
  reply.Address.sin6_port = 0;
  reply.Address.sin6_flowinfo = from.sin6_flowinfo;
  std::memcpy(reply.Address.sin6_addr, &from.sin6_addr, sizeof reply.Address.sin6_addr);
  reply.Address.sin6_scope_id = from.sin6_scope_id;
  reply.Status = result.status;
  reply.RoundTripTime = result.round_trip_ms;
  std::memcpy(out, &reply, sizeof reply);
  if (result.kind == EchoResult::Kind::kReply || result.kind == EchoResult::Kind::kError) {
    return 1;
  }
  SetThreadLastError(result.status);
  return 0;
}

}  // namespace winreach::icmp_provider
