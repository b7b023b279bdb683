#include "platform/posix/icmp_echo_exchange.h"

#include <netinet/in.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "platform/posix/icmp_messages.h"

namespace winreach::icmp_provider {

namespace {

int IcmpProtocol(int family) {
  return family == AF_INET6 ? int{IPPROTO_ICMPV6} : int{IPPROTO_ICMP};
}

// The status of an echo that could not be sent.
IP_STATUS StatusOfSendError(int error) {
  switch (error) {
    case EMSGSIZE:
      return IP_PACKET_TOO_BIG;
    case ENETUNREACH:  // no route at all
      return IP_DEST_NET_UNREACHABLE;
    case EHOSTUNREACH:  // an unreachable route, or no neighbour
      return IP_DEST_HOST_UNREACHABLE;
    case ENOBUFS:
    case ENOMEM:
      return IP_NO_RESOURCES;
    default:
      return IP_GENERAL_FAILURE;
  }
}

int64_t MonotonicNanoseconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

bool SetIntOption(int fd, int level, int name, int value) {
  return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// The request options, as far as the socket can carry them.
bool ApplyOptions(int fd, int family, const IP_OPTION_INFORMATION* options) {
  if (family == AF_INET) {
    SetIntOption(fd, SOL_IP, IP_RECVTTL, 1);
    if (options == nullptr) return true;
    if (options->Ttl != 0 && !SetIntOption(fd, SOL_IP, IP_TTL, options->Ttl)) return false;
    if (!SetIntOption(fd, SOL_IP, IP_TOS, options->Tos)) return false;
    const bool dont_fragment = (options->Flags & 0x02) != 0;  // IP_FLAG_DF
    SetIntOption(fd, SOL_IP, IP_MTU_DISCOVER, dont_fragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT);
    if (options->OptionsSize != 0 && options->OptionsData != nullptr &&
        ::setsockopt(fd, SOL_IP, IP_OPTIONS, options->OptionsData, options->OptionsSize) != 0) {
      return false;
    }
    return true;
  }
  if (options == nullptr) return true;
  if (options->Ttl != 0 && !SetIntOption(fd, SOL_IPV6, IPV6_UNICAST_HOPS, options->Ttl)) {
    return false;
  }
  return SetIntOption(fd, SOL_IPV6, IPV6_TCLASS, options->Tos);
}

bool SameAddress(int family, const sockaddr_storage& from, const sockaddr* destination) {
  if (family == AF_INET) {
    sockaddr_in a, b;
    std::memcpy(&a, &from, sizeof a);
    std::memcpy(&b, destination, sizeof b);
    return a.sin_family == AF_INET && a.sin_addr.s_addr == b.sin_addr.s_addr;
  }
  sockaddr_in6 a, b;
  std::memcpy(&a, &from, sizeof a);
  std::memcpy(&b, destination, sizeof b);
  return a.sin6_family == AF_INET6 &&
         std::memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0;
}

// What one recvmsg brought: the bytes of data and of control data, each
// within its buffer (a datagram larger than the buffer arrives cut to it).
struct Received {
  size_t length;
  size_t control_length;
};

std::optional<Received> Receive(int fd, int flags, std::span<uint8_t> data,
                                std::span<uint8_t> control, sockaddr_storage* from) {
  iovec part{data.data(), data.size()};
  msghdr message{};
  message.msg_name = from;
  message.msg_namelen = sizeof *from;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control.data();
  message.msg_controllen = control.size();
  const ssize_t received = ::recvmsg(fd, &message, flags | MSG_DONTWAIT);
  if (received < 0) return std::nullopt;
  return Received{std::min(static_cast<size_t>(received), data.size()),
                  std::min<size_t>(message.msg_controllen, control.size())};
}

// Reads one message from the error queue: the verdict when it is an error
// about our request, none otherwise.
std::optional<EchoResult> ReadErrorQueue(int fd, const EchoRequest& request) {
  uint8_t quoted[128];
  alignas(cmsghdr) uint8_t control[512];
  sockaddr_storage address{};
  const auto received = Receive(fd, MSG_ERRQUEUE, quoted, control, &address);
  if (!received || !QuotesOurRequest(request.family, quoted, received->length, request.sequence)) {
    return std::nullopt;
  }
  const std::optional<IcmpError> error =
      ParseErrorQueueControl(request.family, control, received->control_length);
  if (!error) return std::nullopt;
  const std::optional<IP_STATUS> status = IpStatusOf(request.family, *error);
  if (!status) return std::nullopt;
  EchoResult result;
  result.kind = EchoResult::Kind::kError;
  result.status = *status;
  if (error->offender4) {
    std::memcpy(&result.from, &*error->offender4, sizeof *error->offender4);
  } else if (error->offender6) {
    std::memcpy(&result.from, &*error->offender6, sizeof *error->offender6);
  }
  return result;
}

// Reads one datagram: the verdict when it is the reply to our request, none
// otherwise (a late reply to an earlier echo, or nothing after all).
std::optional<EchoResult> ReadReply(int fd, const EchoRequest& request, uint8_t* buffer,
                                    size_t buffer_size) {
  alignas(cmsghdr) uint8_t control[256];
  sockaddr_storage from{};
  const auto received = Receive(fd, 0, {buffer, buffer_size}, control, &from);
  if (!received || !SameAddress(request.family, from, request.destination)) return std::nullopt;
  const std::optional<EchoReplyData> reply =
      ParseEchoReply(request.family, buffer, received->length, request.sequence);
  if (!reply) return std::nullopt;
  EchoResult result;
  result.kind = EchoResult::Kind::kReply;
  result.status = IP_SUCCESS;
  result.from = from;
  result.data_size = std::min(reply->size, request.data_room);
  if (result.data_size != 0) {
    std::memcpy(request.data_out, buffer + reply->offset, result.data_size);
  }
  if (request.family == AF_INET) {
    result.ttl = ParseReceivedTtl(control, received->control_length).value_or(0);
  }
  return result;
}

}  // namespace

ScopedFd DatagramSocket(int family) {
  return ScopedFd(::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, IcmpProtocol(family)));
}

EchoResult SendEchoAndWait(const EchoRequest& request) {
  EchoResult failed;
  failed.kind = EchoResult::Kind::kFailed;
  const ScopedFd socket = DatagramSocket(request.family);
  const int fd = socket.fd();
  if (fd < 0) {
    failed.status = StatusOfSendError(errno);
    return failed;
  }
  // ICMP errors about our request come back on the error queue.
  const bool errors_reported =
      request.family == AF_INET ? SetIntOption(fd, SOL_IP, IP_RECVERR, 1)
                                : SetIntOption(fd, SOL_IPV6, IPV6_RECVERR, 1);
  if (!errors_reported || !ApplyOptions(fd, request.family, request.options)) {
    failed.status = IP_BAD_OPTION;
    return failed;
  }
  if (request.source != nullptr &&
      ::bind(fd, request.source, request.source_length) != 0) {
    failed.status = IP_BAD_ROUTE;
    return failed;
  }

  const std::vector<uint8_t> message =
      EchoRequestMessage(request.family, request.sequence, {request.data, request.size});

  const int64_t sent_at = MonotonicNanoseconds();
  const int64_t deadline = sent_at + int64_t{request.timeout_ms} * 1'000'000;
  if (::sendto(fd, message.data(), message.size(), MSG_NOSIGNAL, request.destination,
               request.destination_length) < 0) {
    failed.status = StatusOfSendError(errno);
    return failed;
  }

  std::vector<uint8_t> buffer(kIcmpHeaderSize + request.data_room);
  for (;;) {
    const int64_t left = deadline - MonotonicNanoseconds();
    if (left <= 0) break;
    struct timespec wait {
      static_cast<time_t>(left / 1'000'000'000), static_cast<long>(left % 1'000'000'000)
    };
    struct pollfd entry = {fd, POLLIN, 0};
    const int ready = ::ppoll(&entry, 1, &wait, nullptr);
    if (ready < 0 && errno != EINTR) {
      failed.status = IP_GENERAL_FAILURE;
      return failed;
    }
    if (ready <= 0) continue;  // the deadline decides
    std::optional<EchoResult> result;
    if (entry.revents & POLLERR) result = ReadErrorQueue(fd, request);
    // A plain read also takes a pending socket error that has no queued
    // message, so that it cannot wake every poll until the deadline.
    if (!result && (entry.revents & (POLLIN | POLLERR))) {
      result = ReadReply(fd, request, buffer.data(), buffer.size());
    }
    if (result) {
      result->round_trip_ms =
          static_cast<uint32_t>((MonotonicNanoseconds() - sent_at) / 1'000'000);
      return *result;
    }
  }
  EchoResult timed_out;
  timed_out.kind = EchoResult::Kind::kTimedOut;
  timed_out.status = IP_REQ_TIMED_OUT;
  return timed_out;
}

}  // namespace winreach::icmp_provider
