// Windows Sockets as the checks use it: start and stop, name resolution, the
// last socket error, and the raw ICMP socket of the raw-socket ping.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/native_types.h"

namespace winreach {

// What a gethostbyname caller reads of a host entry.
struct HostEntry {
  std::optional<std::string> official_name;  // none when the entry has no name
  int16_t address_type = 0;
  int16_t address_length = 0;
  std::array<uint8_t, 4> first_address{};  // network order
};

using SocketHandle = intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;
inline constexpr int kSocketError = -1;
inline constexpr uint32_t kInaddrNone = 0xFFFFFFFF;

enum class SocketTimeout { kReceive, kSend };

class Sockets {
 public:
  virtual ~Sockets() = default;

  // WSAStartup: 0, or the error code.
  virtual uint32_t Startup(uint16_t version) = 0;
  virtual void Cleanup() = 0;

  // gethostbyname semantics: the first IPv4 address and the official name.
  // On failure the last socket error says why.
  virtual std::optional<HostEntry> GetHostByName(const std::string& name) = 0;

  // inet_addr: the address in network order, or kInaddrNone.
  virtual uint32_t InetAddr(const std::string& text) = 0;

  // WSAGetLastError.
  virtual uint32_t LastError() = 0;

  virtual SocketHandle Socket(int family, int type, int protocol) = 0;

  // setsockopt with SO_RCVTIMEO or SO_SNDTIMEO in milliseconds: 0 or
  // kSocketError.
  virtual int SetTimeout(SocketHandle socket, SocketTimeout which, uint32_t milliseconds) = 0;

  // The count sent, or kSocketError.
  virtual int SendTo(SocketHandle socket, const uint8_t* data, int length,
                     const sockaddr_in& destination) = 0;

  // One datagram: its length, or kSocketError (kWsaTimedOut when the receive
  // time-out expired).
  virtual int RecvFrom(SocketHandle socket, uint8_t* buffer, int length, sockaddr_in* sender,
                       int* sender_length) = 0;

  virtual void Close(SocketHandle socket) = 0;
};

}  // namespace winreach
