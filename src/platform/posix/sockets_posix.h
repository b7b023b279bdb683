// Windows Sockets semantics over the Linux kernel's sockets and resolver.
#pragma once

#include <map>

#include "platform/sockets.h"

namespace winreach {

class PosixSockets : public Sockets {
 public:
  uint32_t Startup(uint16_t version) override;
  void Cleanup() override;
  std::optional<HostEntry> GetHostByName(const std::string& name) override;
  uint32_t InetAddr(const std::string& text) override;
  uint32_t LastError() override;
  SocketHandle Socket(int family, int type, int protocol) override;
  int SetTimeout(SocketHandle socket, SocketTimeout which, uint32_t milliseconds) override;
  int SendTo(SocketHandle socket, const uint8_t* data, int length,
             const sockaddr_in& destination) override;
  int RecvFrom(SocketHandle socket, uint8_t* buffer, int length, sockaddr_in* sender,
               int* sender_length) override;
  void Close(SocketHandle socket) override;

 private:
  // The time-outs set on each open socket, in milliseconds; 0 waits forever.
  struct Timeouts {
    uint32_t receive = 0;
    uint32_t send = 0;
  };
  std::map<SocketHandle, Timeouts> timeouts_;
};

// The Windows Sockets code for a resolver failure (h_errno).
uint32_t WinsockErrorFromResolver(int h_error);

}  // namespace winreach
