#include "platform/posix/sockets_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/last_error.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

int64_t MonotonicMilliseconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

int FailWithErrno() {
  SetThreadLastError(WinsockErrorFromErrno(errno));
  return kSocketError;
}

// Waits until `fd` is ready for `events` or `timeout_ms` has passed (0 waits
// forever). A deadline on the monotonic clock bounds the wait through
// interruptions. Returns 1 when ready, 0 on time-out, -1 on error.
int WaitFor(int fd, short events, uint32_t timeout_ms) {
  const int64_t deadline = MonotonicMilliseconds() + timeout_ms;
  for (;;) {
    int wait_ms = -1;
    if (timeout_ms != 0) {
      const int64_t left = deadline - MonotonicMilliseconds();
      if (left <= 0) return 0;
      wait_ms = static_cast<int>(left);
    }
    struct pollfd entry = {fd, events, 0};
    const int ready = ::poll(&entry, 1, wait_ms);
    if (ready > 0) return 1;
    if (ready == 0) continue;  // re-check the deadline; poll may wake early
    if (errno != EINTR) return -1;
  }
}

}  // namespace

uint32_t WinsockErrorFromResolver(int h_error) {
  switch (h_error) {
    case HOST_NOT_FOUND:
      return status::kWsaHostNotFound;
    case TRY_AGAIN:
      return status::kWsaTryAgain;
    case NO_RECOVERY:
      return status::kWsaNoRecovery;
    case NO_DATA:
      return status::kWsaNoData;
    default:
      return status::kWsaNoRecovery;
  }
}

// Nothing to start on Linux: the kernel's sockets are always there.
uint32_t PosixSockets::Startup(uint16_t) { return 0; }

void PosixSockets::Cleanup() {}

std::optional<HostEntry> PosixSockets::GetHostByName(const std::string& name) {
  // The program is single-threaded, so the resolver's static entry is safe;
  // gethostbyname gives exactly the first-address and official-name answer
  // that the checks expect, and refuses IPv6 literals as Windows does.
  const struct hostent* entry = ::gethostbyname(name.c_str());
  if (entry == nullptr) {
    SetThreadLastError(WinsockErrorFromResolver(h_errno));
    return std::nullopt;
  }
  if (entry->h_addrtype != AF_INET || entry->h_length != 4 || entry->h_addr_list[0] == nullptr) {
    SetThreadLastError(status::kWsaNoData);
    return std::nullopt;
  }
  HostEntry host;
  if (entry->h_name != nullptr) host.official_name = entry->h_name;
  host.address_type = static_cast<int16_t>(entry->h_addrtype);
  host.address_length = static_cast<int16_t>(entry->h_length);
  std::memcpy(host.first_address.data(), entry->h_addr_list[0], 4);
  return host;
}

uint32_t PosixSockets::InetAddr(const std::string& text) {
  return static_cast<uint32_t>(::inet_addr(text.c_str()));
}

uint32_t PosixSockets::LastError() { return ThreadLastError(); }

SocketHandle PosixSockets::Socket(int family, int type, int protocol) {
  const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    FailWithErrno();
    return kInvalidSocket;
  }
  timeouts_[fd] = {};
  return fd;
}

// The time-outs are kept here and applied with poll() against a monotonic
// deadline: SO_RCVTIMEO would round up to the timer tick and overshoot.
int PosixSockets::SetTimeout(SocketHandle socket, SocketTimeout which, uint32_t milliseconds) {
  const auto it = timeouts_.find(socket);
  if (it == timeouts_.end()) {
    SetThreadLastError(10038);  // WSAENOTSOCK
    return kSocketError;
  }
  (which == SocketTimeout::kReceive ? it->second.receive : it->second.send) = milliseconds;
  return 0;
}

int PosixSockets::SendTo(SocketHandle socket, const uint8_t* data, int length,
                         const sockaddr_in& destination) {
  const auto it = timeouts_.find(socket);
  if (it == timeouts_.end() || length < 0) {
    SetThreadLastError(it == timeouts_.end() ? 10038 : status::kWsaInvalidArgument);
    return kSocketError;
  }
  const int fd = static_cast<int>(socket);
  const int ready = WaitFor(fd, POLLOUT, it->second.send);
  if (ready < 0) return FailWithErrno();
  if (ready == 0) {
    SetThreadLastError(status::kWsaTimedOut);
    return kSocketError;
  }
  const ssize_t sent = ::sendto(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT,
                                reinterpret_cast<const sockaddr*>(&destination),
                                sizeof destination);
  if (sent < 0) return FailWithErrno();
  return static_cast<int>(sent);
}

int PosixSockets::RecvFrom(SocketHandle socket, uint8_t* buffer, int length, sockaddr_in* sender,
                           int* sender_length) {
  const auto it = timeouts_.find(socket);
  if (it == timeouts_.end() || length < 0 || *sender_length < static_cast<int>(sizeof *sender)) {
    SetThreadLastError(it == timeouts_.end() ? 10038 : 10014);  // WSAENOTSOCK, WSAEFAULT
    return kSocketError;
  }
  const int fd = static_cast<int>(socket);
  const int ready = WaitFor(fd, POLLIN, it->second.receive);
  if (ready < 0) return FailWithErrno();
  if (ready == 0) {
    SetThreadLastError(status::kWsaTimedOut);
    return kSocketError;
  }
  socklen_t address_length = sizeof *sender;
  const ssize_t received =
      ::recvfrom(fd, buffer, static_cast<size_t>(length), MSG_DONTWAIT | MSG_TRUNC,
                 reinterpret_cast<sockaddr*>(sender), &address_length);
  if (received < 0) return FailWithErrno();
  *sender_length = static_cast<int>(address_length);
  if (received > length) {
    // Windows refuses a datagram larger than the buffer instead of cutting it.
    SetThreadLastError(status::kWsaMessageSize);
    return kSocketError;
  }
  return static_cast<int>(received);
}

void PosixSockets::Close(SocketHandle socket) {
  if (timeouts_.erase(socket) == 1) ::close(static_cast<int>(socket));
}

}  // namespace winreach
