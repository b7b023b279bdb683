#include "platform/posix/smb/smb_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/last_error.h"
#include "platform/status_codes.h"
#include "smb/netbios_session.h"

namespace winreach {

SmbSocket::SmbSocket(Clock::time_point deadline, std::chrono::milliseconds request_timeout)
    : deadline_(deadline), request_timeout_(request_timeout), frames_(kMaxMessage) {}

SmbSocket::~SmbSocket() { Close(); }

void SmbSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint32_t SmbSocket::Wait(short events, Clock::time_point until) {
  until = std::min(until, deadline_);
  for (;;) {
    const auto now = Clock::now();
    if (now >= until) return now >= deadline_ ? status::kSemTimeout : status::kWsaTimedOut;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
    struct pollfd entry = {fd_, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
    if (ready > 0) return 0;
    if (ready < 0 && errno != EINTR) return WinsockErrorFromErrno(errno);
  }
}

uint32_t SmbSocket::Connect(const sockaddr* address, socklen_t length,
                            std::chrono::milliseconds timeout) {
  Close();
  if (Clock::now() >= deadline_) return status::kSemTimeout;
  fd_ = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd_ < 0) return WinsockErrorFromErrno(errno);
  // Requests are small and answered one at a time: never hold one back.
  const int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (::connect(fd_, address, length) == 0) return 0;
  if (errno != EINPROGRESS) {
    const uint32_t code = WinsockErrorFromErrno(errno);
    Close();
    return code;
  }
  if (const uint32_t code = Wait(POLLOUT, Clock::now() + timeout); code != 0) {
    Close();
    return code;
  }
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    Close();
    return WinsockErrorFromErrno(error);
  }
  return 0;
}

uint32_t SmbSocket::WriteAll(smb::ByteSpan bytes) {
  const auto until = Clock::now() + request_timeout_;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return WinsockErrorFromErrno(errno);
    if (const uint32_t code = Wait(POLLOUT, until); code != 0) return code;
  }
  return 0;
}

uint32_t SmbSocket::Send(smb::ByteSpan message) {
  if (fd_ < 0) return status::kWsaNotConnected;
  const uint32_t code = WriteAll(smb::Frame(message));
  if (code != 0) Close();
  return code;
}

uint32_t SmbSocket::Fill(Clock::time_point until) {
  if (const uint32_t code = Wait(POLLIN, until); code != 0) return code;
  uint8_t buffer[16384];
  const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
  if (n > 0) {
    frames_.Feed(smb::ByteSpan(buffer, static_cast<size_t>(n)));
    return 0;
  }
  if (n == 0) return status::kWsaConnectionReset;  // the server closed the connection
  if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) return 0;
  return WinsockErrorFromErrno(errno);
}

uint32_t SmbSocket::Receive(smb::Bytes* message) {
  if (fd_ < 0) return status::kWsaNotConnected;
  const auto until = Clock::now() + request_timeout_;
  for (;;) {
    switch (frames_.Next(message)) {
      case smb::FrameReader::kMessage:
        return 0;
      case smb::FrameReader::kBad:
        Close();
        return status::kWsaConnectionReset;
      case smb::FrameReader::kNeedMore:
        break;
    }
    if (const uint32_t code = Fill(until); code != 0) {
      Close();
      return code;
    }
  }
}

uint32_t SmbSocket::ReadExactly(std::span<uint8_t> out, Clock::time_point until) {
  size_t done = 0;
  while (done < out.size()) {
    if (const uint32_t code = Wait(POLLIN, until); code != 0) return code;
    const ssize_t n = ::recv(fd_, out.data() + done, out.size() - done, 0);
    if (n == 0) return status::kWsaConnectionReset;
    if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return WinsockErrorFromErrno(errno);
    }
    if (n > 0) done += static_cast<size_t>(n);
  }
  return 0;
}

uint32_t SmbSocket::RequestNetbiosSession(std::string_view called, std::string_view calling) {
  if (fd_ < 0) return status::kWsaNotConnected;
  if (const uint32_t code = WriteAll(smb::SessionRequest(called, calling)); code != 0) return code;
  // The answer is one short packet: a 4-byte header, then at most 6 bytes
  // (a retarget's address and port); anything longer is not an answer.
  const auto until = Clock::now() + request_timeout_;
  smb::Bytes answer(smb::kFrameHeaderSize);
  if (const uint32_t code = ReadExactly(answer, until); code != 0) return code;
  const size_t size = smb::SessionPacketSize(answer);
  if (size > smb::kFrameHeaderSize + 6) return status::kWsaConnectionReset;
  answer.resize(size);
  if (const uint32_t code = ReadExactly(std::span(answer).subspan(smb::kFrameHeaderSize), until);
      code != 0) {
    return code;
  }
  smb::SessionAnswer parsed;
  if (!smb::ParseSessionAnswer(answer, &parsed)) return status::kWsaConnectionReset;
  return parsed.kind == smb::SessionAnswer::kPositive ? 0 : status::kWsaConnectionRefused;
}

}  // namespace winreach
