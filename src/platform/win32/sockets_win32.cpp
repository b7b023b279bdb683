#include "platform/win32/sockets_win32.h"

#include <cstring>

namespace winreach {

namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

}  // namespace

uint32_t Win32Sockets::Startup(uint16_t version) {
  WSADATA data{};
  return static_cast<uint32_t>(::WSAStartup(version, &data));
}

void Win32Sockets::Cleanup() { ::WSACleanup(); }

std::optional<HostEntry> Win32Sockets::GetHostByName(const std::string& name) {
  const hostent* entry = ::gethostbyname(name.c_str());
  if (entry == nullptr) return std::nullopt;  // the last socket error says why
  // The callers read four bytes of the first address: an entry without one
  // is no answer.
  if (entry->h_length < 4 || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    ::WSASetLastError(WSANO_DATA);
    return std::nullopt;
  }
  HostEntry host;
  if (entry->h_name != nullptr) host.official_name = entry->h_name;
  host.address_type = entry->h_addrtype;
  host.address_length = entry->h_length;
  std::memcpy(host.first_address.data(), entry->h_addr_list[0], host.first_address.size());
  return host;
}

uint32_t Win32Sockets::InetAddr(const std::string& text) {
  return static_cast<uint32_t>(::inet_addr(text.c_str()));
}

uint32_t Win32Sockets::LastError() { return static_cast<uint32_t>(::WSAGetLastError()); }

SocketHandle Win32Sockets::Socket(int family, int type, int protocol) {
  const SOCKET socket = ::socket(family, type, protocol);
  if (socket == INVALID_SOCKET) return kInvalidSocket;
  return static_cast<SocketHandle>(socket);
}

// Windows takes the socket time-outs as a DWORD of milliseconds.
int Win32Sockets::SetTimeout(SocketHandle socket, SocketTimeout which, uint32_t milliseconds) {
  const DWORD value = milliseconds;
  const int option = which == SocketTimeout::kReceive ? SO_RCVTIMEO : SO_SNDTIMEO;
  return ::setsockopt(Native(socket), SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0
             ? 0
             : kSocketError;
}

int Win32Sockets::SendTo(SocketHandle socket, const uint8_t* data, int length,
                         const sockaddr_in& destination) {
  const int sent = ::sendto(Native(socket), reinterpret_cast<const char*>(data), length, 0,
                            reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
  return sent == SOCKET_ERROR ? kSocketError : sent;
}

int Win32Sockets::RecvFrom(SocketHandle socket, uint8_t* buffer, int length, sockaddr_in* sender,
                           int* sender_length) {
  const int received = ::recvfrom(Native(socket), reinterpret_cast<char*>(buffer), length, 0,
                                  reinterpret_cast<sockaddr*>(sender), sender_length);
  return received == SOCKET_ERROR ? kSocketError : received;
}

void Win32Sockets::Close(SocketHandle socket) { ::closesocket(Native(socket)); }

}  // namespace winreach
