#include "platform/posix/netbios/node_status_client.h"

#include <linux/errqueue.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/native_types.h"
#include "platform/posix/icmp_messages.h"
#include "platform/posix/scoped_fd.h"

namespace winreach {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kIcmpDestinationUnreachable = 3;
constexpr uint8_t kIcmpPortUnreachable = 3;

// Large enough for any UDP datagram, so that nothing arrives cut short.
constexpr size_t kReceiveSize = 65536;
constexpr int kReceiveBatch = 64;


uint16_t NewTransactionId() {
  uint16_t id = 0;
  if (::getrandom(&id, sizeof id, GRND_NONBLOCK) != sizeof id) {
    id = static_cast<uint16_t>(Clock::now().time_since_epoch().count() ^ ::getpid());
  }
  return id;
}

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_family == AF_INET && a.sin_addr.s_addr == b.sin_addr.s_addr &&
         a.sin_port == b.sin_port;
}

// Errors that the kernel hands over from ICMP messages (or a route's verdict)
// rather than from the socket itself: the try is lost, the query goes on.
bool DeliveryError(int error) {
  switch (error) {
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN:
    case ENONET:
    case ENOPROTOOPT:
    case EPROTO:
    case EMSGSIZE:
    case EOPNOTSUPP:
      return true;
    default:
      return false;
  }
}

enum class Event { kNone, kPortUnreachable, kFailed };

// Reads every queued ICMP error. Reports whether the target said that
// nothing listens at its port.
Event DrainErrors(int fd, const sockaddr_in& target) {
  Event event = Event::kNone;
  for (;;) {
    sockaddr_in original{};
    uint8_t payload[64];
    alignas(struct cmsghdr) uint8_t control[256];
    struct iovec io = {payload, sizeof payload};
    struct msghdr message {};
    message.msg_name = &original;
    message.msg_namelen = sizeof original;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return Event::kFailed;
      // An error the kernel kept without a queued copy would keep the socket
      // readable for errors; reading it clears it.
      int pending = 0;
      socklen_t size = sizeof pending;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size) != 0) return Event::kFailed;
      return pending == ECONNREFUSED ? Event::kPortUnreachable : event;
    }
    const std::optional<IcmpError> error = ParseErrorQueueControl(
        AF_INET, control, std::min<size_t>(message.msg_controllen, sizeof control));
    if (error && error->origin == SO_EE_ORIGIN_ICMP &&
        error->type == kIcmpDestinationUnreachable && error->code == kIcmpPortUnreachable &&
        message.msg_namelen >= sizeof original && SameEndpoint(original, target)) {
      event = Event::kPortUnreachable;
    }
  }
}

enum class Receipt { kAnswer, kNothing, kPortUnreachable, kFailed };

// Reads pending datagrams until one is the answer to our request. A batch
// is bounded, so that a flood of strangers cannot hold the wait past its end.
Receipt ReceiveAnswers(int fd, const sockaddr_in& target, uint16_t id,
                       std::vector<uint8_t>& buffer, std::optional<NodeStatus>* status) {
  for (int batch = 0; batch < kReceiveBatch; ++batch) {
    sockaddr_in source{};
    struct iovec io = {buffer.data(), buffer.size()};
    struct msghdr message {};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    const ssize_t size = ::recvmsg(fd, &message, MSG_DONTWAIT);
    if (size < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Receipt::kNothing;
      // A pending ICMP error surfaces here too; its queued copy is read by
      // the next wait.
      if (errno == ECONNREFUSED) return Receipt::kPortUnreachable;
      if (DeliveryError(errno)) return Receipt::kNothing;
      return Receipt::kFailed;
    }
    if ((message.msg_flags & MSG_TRUNC) != 0 || message.msg_namelen < sizeof source ||
        !SameEndpoint(source, target)) {
      continue;
    }
    *status = ParseNodeStatusResponse({buffer.data(), static_cast<size_t>(size)}, id);
    if (*status) return Receipt::kAnswer;
  }
  return Receipt::kNothing;
}

}  // namespace

NodeStatusOutcome QueryNodeStatus(in_addr local, const sockaddr_in& target,
                                  const NodeStatusTiming& timing) {
  const NodeStatusOutcome failed{NRC_SYSTEM, std::nullopt};
  const NodeStatusOutcome silence{NRC_CMDTMO, std::nullopt};

  const ScopedFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (socket.fd() < 0) return failed;
  const int on = 1;
  if (::setsockopt(socket.fd(), SOL_IP, IP_RECVERR, &on, sizeof on) != 0) return failed;
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_addr = local;
  if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
    return failed;
  }

  const uint16_t id = NewTransactionId();
  const auto request = NodeStatusRequest(id);
  std::vector<uint8_t> buffer(kReceiveSize);
  std::optional<NodeStatus> status;

  Clock::time_point deadline = Clock::now();
  for (int attempt = 0; attempt < timing.tries; ++attempt) {
    deadline += timing.interval;
    if (::sendto(socket.fd(), request.data(), request.size(), 0,
                 reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0) {
      if (errno == ECONNREFUSED) return silence;
      if (!DeliveryError(errno)) return failed;
    }

    for (;;) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      struct pollfd entry = {socket.fd(), POLLIN, 0};
      const int ready = ::poll(&entry, 1, static_cast<int>(left));
      if (ready < 0) {
        if (errno == EINTR) continue;
        return failed;
      }
      if (ready == 0) continue;  // the loop re-reads the clock
      if ((entry.revents & POLLERR) != 0) {
        const Event event = DrainErrors(socket.fd(), target);
        if (event == Event::kPortUnreachable) return silence;
        if (event == Event::kFailed) return failed;
      }
      if ((entry.revents & POLLIN) != 0) {
        switch (ReceiveAnswers(socket.fd(), target, id, buffer, &status)) {
          case Receipt::kAnswer:
            return {NRC_GOODRET, std::move(status)};
          case Receipt::kPortUnreachable:
            return silence;
          case Receipt::kFailed:
            return failed;
          case Receipt::kNothing:
            break;
        }
      }
    }
  }
  return silence;
}

}  // namespace winreach
