// Windows Sockets, called directly.
#pragma once

#include "platform/sockets.h"

namespace winreach {

class Win32Sockets : public Sockets {
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
};

}  // namespace winreach
