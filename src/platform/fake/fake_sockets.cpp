#include "platform/fake/fake_sockets.h"

#include <algorithm>
#include <cstdio>

namespace winreach {

uint32_t FakeSockets::Startup(uint16_t version) {
  startups.push_back(version);
  return startup_result;
}

std::optional<HostEntry> FakeSockets::GetHostByName(const std::string& name) {
  lookups.push_back(name);
  const auto it = hosts.find(name);
  if (it == hosts.end()) {
    last_error = resolve_error;
    return std::nullopt;
  }
  return it->second;
}

uint32_t FakeSockets::InetAddr(const std::string& text) {
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
      b > 255 || c > 255 || d > 255) {
    return kInaddrNone;
  }
  const uint8_t bytes[4] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b),
                            static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
  uint32_t address;
  std::copy(bytes, bytes + 4, reinterpret_cast<uint8_t*>(&address));
  return address;
}

SocketHandle FakeSockets::Socket(int, int, int) {
  if (socket_error != 0) {
    last_error = socket_error;
    return kInvalidSocket;
  }
  open_sockets.push_back(next_socket_);
  return next_socket_++;
}

int FakeSockets::SetTimeout(SocketHandle, SocketTimeout which, uint32_t milliseconds) {
  timeouts_set.emplace_back(which, milliseconds);
  return on_set_timeout ? on_set_timeout(which, milliseconds) : 0;
}

int FakeSockets::SendTo(SocketHandle, const uint8_t* data, int length,
                        const sockaddr_in& destination) {
  return on_send ? on_send(data, length, destination) : length;
}

int FakeSockets::RecvFrom(SocketHandle, uint8_t* buffer, int length, sockaddr_in* sender,
                          int* sender_length) {
  *sender_length = sizeof(sockaddr_in);
  if (!on_receive) {
    last_error = status::kWsaTimedOut;
    return kSocketError;
  }
  return on_receive(buffer, length, sender);
}

void FakeSockets::Close(SocketHandle socket) {
  ++sockets_closed;
  open_sockets.erase(std::remove(open_sockets.begin(), open_sockets.end(), socket),
                     open_sockets.end());
}

void FakeSockets::AddHost(const std::string& name, const std::string& official_name, uint8_t a,
                          uint8_t b, uint8_t c, uint8_t d) {
  HostEntry entry;
  entry.official_name = official_name;
  entry.address_type = AF_INET;
  entry.address_length = 4;
  entry.first_address = {a, b, c, d};
  hosts[name] = entry;
}

}  // namespace winreach
