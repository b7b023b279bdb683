#include "platform/posix/sockets_posix.h"

#include <arpa/inet.h>
#include <limits.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/posix/last_error.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

int64_t MonotonicNanoseconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

int FailWithErrno() {
  SetThreadLastError(WinsockErrorFromErrno(errno));
  return kSocketError;
}

// The end of a wait of `timeout_ms` from now on the monotonic clock; 0 waits
// forever.
struct Deadline {
  explicit Deadline(uint32_t timeout_ms)
      : forever(timeout_ms == 0),
        at(MonotonicNanoseconds() + int64_t{timeout_ms} * 1'000'000) {}
  bool forever;
  int64_t at;
};

// Waits until `fd` is ready for `events` or the deadline has passed. The
// deadline bounds the wait through interruptions and early wake-ups, to the
// nanosecond (poll's milliseconds would round). Returns 1 when ready, 0 on
// time-out, -1 on error.
int WaitFor(int fd, short events, const Deadline& deadline) {
  for (;;) {
    struct timespec wait {};
    if (!deadline.forever) {
      const int64_t left = deadline.at - MonotonicNanoseconds();
      if (left <= 0) return 0;
      wait.tv_sec = static_cast<time_t>(left / 1'000'000'000);
      wait.tv_nsec = static_cast<long>(left % 1'000'000'000);
    }
    struct pollfd entry = {fd, events, 0};
    const int ready = ::ppoll(&entry, 1, deadline.forever ? nullptr : &wait, nullptr);
    if (ready > 0) return 1;
    if (ready == 0) continue;  // re-check the deadline
    if (errno != EINTR) return -1;
  }
}

// The largest answer a lookup may take: far beyond any real host's.
constexpr size_t kMaxResolverBuffer = 1 << 20;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

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
  // gethostbyname gives exactly the first-address and official-name answer
  // that the checks expect, and refuses IPv6 literals as Windows does; its
  // reentrant form keeps the answer in our buffer, so that runs in threads
  // side by side never share the resolver's static entry.
  // An empty name stands for this computer, as Windows' gethostbyname("")
  // answers with the local host.
  std::string lookup = name;
  if (lookup.empty()) {
    char local[HOST_NAME_MAX + 1] = {};
    if (::gethostname(local, sizeof local - 1) == 0) lookup = local;
  }
  struct hostent storage {};
  struct hostent* entry = nullptr;
  int h_error = 0;
  std::vector<char> buffer(1024);
  for (;;) {
    const int result = ::gethostbyname_r(lookup.c_str(), &storage, buffer.data(), buffer.size(),
                                         &entry, &h_error);
    if (result != ERANGE || buffer.size() >= kMaxResolverBuffer) break;
    buffer.resize(buffer.size() * 4);  // a name with many addresses or aliases
  }
  if (entry == nullptr) {
    SetThreadLastError(WinsockErrorFromResolver(h_error));
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
  const Deadline deadline(it->second.send);
  for (;;) {
    const int ready = WaitFor(fd, POLLOUT, deadline);
    if (ready < 0) return FailWithErrno();
    if (ready == 0) {
      SetThreadLastError(status::kWsaTimedOut);
      return kSocketError;
    }
    const ssize_t sent =
        ::sendto(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    if (sent >= 0) return static_cast<int>(sent);
    // Writable a moment ago but full again: wait on, within the same time-out.
    if (!WouldBlock(errno)) return FailWithErrno();
  }
}

int PosixSockets::RecvFrom(SocketHandle socket, uint8_t* buffer, int length, sockaddr_in* sender,
                           int* sender_length) {
  const auto it = timeouts_.find(socket);
  if (it == timeouts_.end() || length < 0 || *sender_length < static_cast<int>(sizeof *sender)) {
    SetThreadLastError(it == timeouts_.end() ? 10038 : 10014);  // WSAENOTSOCK, WSAEFAULT
    return kSocketError;
  }
  const int fd = static_cast<int>(socket);
  const Deadline deadline(it->second.receive);
  socklen_t address_length = sizeof *sender;
  ssize_t received;
  for (;;) {
    const int ready = WaitFor(fd, POLLIN, deadline);
    if (ready < 0) return FailWithErrno();
    if (ready == 0) {
      SetThreadLastError(status::kWsaTimedOut);
      return kSocketError;
    }
    address_length = sizeof *sender;
    received = ::recvfrom(fd, buffer, static_cast<size_t>(length), MSG_DONTWAIT | MSG_TRUNC,
                          reinterpret_cast<sockaddr*>(sender), &address_length);
    if (received >= 0) break;
    // A wake-up without a datagram (one dropped after poll saw it) is no
    // time-out: the wait goes on until the deadline.
    if (!WouldBlock(errno)) return FailWithErrno();
  }
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
