// Scripted Windows Sockets: a table of names, and hooks for the raw socket.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/sockets.h"
#include "platform/status_codes.h"

namespace winreach {

class FakeSockets : public Sockets {
 public:
  uint32_t Startup(uint16_t version) override;
  void Cleanup() override { ++cleanups; }
  std::optional<HostEntry> GetHostByName(const std::string& name) override;
  uint32_t InetAddr(const std::string& text) override;
  uint32_t LastError() override { return last_error; }
  SocketHandle Socket(int family, int type, int protocol) override;
  int SetTimeout(SocketHandle socket, SocketTimeout which, uint32_t milliseconds) override;
  int SendTo(SocketHandle socket, const uint8_t* data, int length,
             const sockaddr_in& destination) override;
  int RecvFrom(SocketHandle socket, uint8_t* buffer, int length, sockaddr_in* sender,
               int* sender_length) override;
  void Close(SocketHandle socket) override;

  // An entry for `name` with `address` (a.b.c.d) as its first address.
  void AddHost(const std::string& name, const std::string& official_name, uint8_t a, uint8_t b,
               uint8_t c, uint8_t d);

  uint32_t startup_result = 0;
  std::vector<uint16_t> startups;
  int cleanups = 0;

  std::map<std::string, HostEntry> hosts;
  uint32_t resolve_error = status::kWsaHostNotFound;  // left by a failed look-up
  std::vector<std::string> lookups;
  uint32_t last_error = 0;

  // The raw socket. Unset hooks succeed; a hook that fails sets last_error.
  uint32_t socket_error = 0;  // non-zero: Socket() fails with it
  std::function<int(SocketTimeout, uint32_t)> on_set_timeout;
  std::function<int(const uint8_t*, int, const sockaddr_in&)> on_send;
  std::function<int(uint8_t*, int, sockaddr_in*)> on_receive;  // unset: time-out
  std::vector<SocketHandle> open_sockets;
  int sockets_closed = 0;
  std::vector<std::pair<SocketTimeout, uint32_t>> timeouts_set;

 private:
  SocketHandle next_socket_ = 100;
};

}  // namespace winreach
