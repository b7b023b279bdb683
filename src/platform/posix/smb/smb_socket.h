// The TCP connection under the SMB client: connects with a bounded wait,
// frames each message (4 bytes, then the message), and waits for answers
// with poll() against the run's deadline and a per-request bound. No
// thread, no signal: every wait ends by itself.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>

#include "smb/crypto.h"
#include "smb/frame.h"
#include "smb/message_transport.h"

namespace winreach {

class SmbSocket : public smb::MessageTransport {
 public:
  using Clock = std::chrono::steady_clock;

  // The longest message we take from a server: a read or transaction never
  // asks for more than 64 KiB, so this leaves room for headers, a transform
  // header and a generous logon token.
  static constexpr size_t kMaxMessage = 1 << 20;

  // `deadline`: when the run's SMB checks must be over; `request_timeout`:
  // how long one answer may take.
  SmbSocket(Clock::time_point deadline, std::chrono::milliseconds request_timeout);
  ~SmbSocket() override;
  SmbSocket(const SmbSocket&) = delete;
  SmbSocket& operator=(const SmbSocket&) = delete;

  // Connects to `address`, waiting at most `timeout` (never past the
  // deadline): 0, or the Windows Sockets code (10061 refused, 10060 no
  // answer, 10065 unreachable, ...), or ERROR_SEM_TIMEOUT when the run's
  // time is up.
  uint32_t Connect(const sockaddr* address, socklen_t length, std::chrono::milliseconds timeout);

  // The NetBIOS session service's request on port 139, before any SMB:
  // 0 when the server accepts `called` (a name or "*SMBSERVER"), a negative
  // answer's Windows code otherwise.
  uint32_t RequestNetbiosSession(std::string_view called, std::string_view calling);

  uint32_t Send(smb::ByteSpan message) override;
  uint32_t Receive(smb::Bytes* message) override;

  bool connected() const { return fd_ >= 0; }
  void Close();

 private:
  // Waits until the socket is ready for `events`: 0, or the code of the
  // failure (time-out, deadline).
  uint32_t Wait(short events, Clock::time_point until);
  uint32_t WriteAll(smb::ByteSpan bytes);
  uint32_t ReadExactly(std::span<uint8_t> out, Clock::time_point until);
  // Reads what the socket has into the frame reader: 0 or the failure.
  uint32_t Fill(Clock::time_point until);

  const Clock::time_point deadline_;
  const std::chrono::milliseconds request_timeout_;
  int fd_ = -1;
  smb::FrameReader frames_;
};

}  // namespace winreach
