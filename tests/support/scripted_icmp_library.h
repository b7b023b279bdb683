// ICMP helper library entry points whose answers a test scripts and which
// record what they were given, for the library ping's unit tests.
#pragma once

#include <gtest/gtest.h>
// inet_pton and inet_ntop: <arpa/inet.h> on Linux; on Windows ws2tcpip.h,
// which native_types.h includes.
#if __has_include(<arpa/inet.h>)
#include <arpa/inet.h>
#endif

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ping/ping_libraries.h"
#include "platform/fake/fake_platform.h"

namespace winreach::scripted_icmp {

inline HANDLE const kIcmpHandle = reinterpret_cast<HANDLE>(uintptr_t{0x44});
inline HANDLE const kIcmp6Handle = reinterpret_cast<HANDLE>(uintptr_t{0x66});

// What the scripted entry points answer, and what they were given.
struct Answer {
  DWORD replies = 1;
  ULONG status = IP_SUCCESS;
  USHORT data_size = 32;  // IPv4 only
  std::vector<uint8_t> data = std::vector<uint8_t>(32, 0x45);
  bool data_outside = false;  // IPv4: Data points outside the reply buffer
};

struct Script {
  FakePlatform* platform = nullptr;
  HANDLE create = kIcmpHandle;
  HANDLE create6 = kIcmp6Handle;
  Answer ipv4;
  std::deque<Answer> ipv6;  // one per IPv6 send, in order
  int getaddrinfo_result = 0;
  uint32_t getaddrinfo_error = 0;
  bool empty_list = false;
  std::vector<std::string> addresses = {"10.77.0.2"};  // the list, dotted or IPv6 text

  // Seen.
  std::vector<std::string> calls;
  IPAddr ipv4_destination = 0;
  std::vector<uint8_t> request;
  WORD request_size = 0;
  IP_OPTION_INFORMATION options{};
  DWORD reply_size = 0;
  DWORD timeout = 0;
  std::vector<std::string> ipv6_destinations;
  bool source_unspecified = false;
  std::vector<HANDLE> closed;
  int lists_freed = 0;
  std::string name;

  // The list handed out.
  std::vector<std::unique_ptr<addrinfo>> nodes;
  std::vector<std::unique_ptr<sockaddr_storage>> addrs;
  addrinfo* handed = nullptr;
};
inline Script* script = nullptr;

inline HANDLE WINAPI FakeCreate() {
  script->calls.push_back("IcmpCreateFile");
  return script->create;
}

inline DWORD WINAPI FakeSend(HANDLE, IPAddr destination, LPVOID data, WORD size,
                             PIP_OPTION_INFORMATION options, LPVOID reply_buffer, DWORD reply_size,
                             DWORD timeout) {
  script->calls.push_back("IcmpSendEcho");
  script->ipv4_destination = destination;
  script->request.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  script->request_size = size;
  script->options = *options;
  script->reply_size = reply_size;
  script->timeout = timeout;
  static uint8_t elsewhere[64];
  std::memset(elsewhere, 0x45, sizeof elsewhere);
  auto* out = static_cast<uint8_t*>(reply_buffer);
  ICMP_ECHO_REPLY reply{};
  reply.Status = script->ipv4.status;
  reply.DataSize = script->ipv4.data_size;
  reply.Data = script->ipv4.data_outside ? elsewhere : out + sizeof reply;
  std::memcpy(out, &reply, sizeof reply);
  std::memcpy(out + sizeof reply, script->ipv4.data.data(),
              std::min<size_t>(script->ipv4.data.size(), reply_size - sizeof reply));
  return script->ipv4.replies;
}

inline BOOL WINAPI FakeClose(HANDLE handle) {
  script->calls.push_back("IcmpCloseHandle");
  script->closed.push_back(handle);
  return 1;
}

inline int WINAPI FakeGetAddrInfo(PCSTR node, PCSTR service, const ADDRINFOA* hints,
                                  PADDRINFOA* result) {
  script->calls.push_back("getaddrinfo");
  script->name = node;
  EXPECT_EQ(nullptr, service);
  EXPECT_EQ(nullptr, hints);
  if (script->getaddrinfo_result != 0) {
    script->platform->sockets_.last_error = script->getaddrinfo_error;
    return script->getaddrinfo_result;
  }
  *result = nullptr;
  script->nodes.clear();
  script->addrs.clear();
  script->handed = nullptr;
  if (script->empty_list) return 0;
  addrinfo** tail = result;
  for (const std::string& text : script->addresses) {
    auto address = std::make_unique<sockaddr_storage>();
    auto node_info = std::make_unique<addrinfo>();
    if (text.find(':') != std::string::npos) {
      auto* in6 = reinterpret_cast<sockaddr_in6*>(address.get());
      in6->sin6_family = AF_INET6;
      inet_pton(AF_INET6, text.c_str(), &in6->sin6_addr);
      node_info->ai_family = AF_INET6;
      node_info->ai_addrlen = sizeof(sockaddr_in6);
    } else {
      auto* in4 = reinterpret_cast<sockaddr_in*>(address.get());
      in4->sin_family = AF_INET;
      inet_pton(AF_INET, text.c_str(), &in4->sin_addr);
      node_info->ai_family = AF_INET;
      node_info->ai_addrlen = sizeof(sockaddr_in);
    }
    node_info->ai_addr = reinterpret_cast<sockaddr*>(address.get());
    *tail = node_info.get();
    tail = &node_info->ai_next;
    script->addrs.push_back(std::move(address));
    script->nodes.push_back(std::move(node_info));
  }
  script->handed = *result;
  return 0;
}

inline void WINAPI FakeFreeAddrInfo(PADDRINFOA list) {
  script->calls.push_back("freeaddrinfo");
  EXPECT_EQ(script->handed, list);
  ++script->lists_freed;
}

inline HANDLE WINAPI FakeCreate6() {
  script->calls.push_back("Icmp6CreateFile");
  return script->create6;
}

inline DWORD WINAPI FakeSend6(HANDLE handle, HANDLE event, PIO_APC_ROUTINE routine, PVOID context,
                              sockaddr_in6* source, sockaddr_in6* destination, LPVOID data,
                              WORD size, PIP_OPTION_INFORMATION options, LPVOID reply_buffer,
                              DWORD reply_size, DWORD timeout) {
  script->calls.push_back("Icmp6SendEcho2");
  EXPECT_EQ(kIcmp6Handle, handle);
  EXPECT_EQ(nullptr, event);
  EXPECT_EQ(nullptr, routine);
  EXPECT_EQ(nullptr, context);
  EXPECT_EQ(200, options->Ttl);
  EXPECT_EQ(32, size);
  EXPECT_EQ(1000u, timeout);
  const sockaddr_in6 unspecified{AF_INET6, 0, 0, IN6ADDR_ANY_INIT, 0};
  script->source_unspecified = std::memcmp(source, &unspecified, sizeof unspecified) == 0;
  char text[INET6_ADDRSTRLEN];
  inet_ntop(AF_INET6, &destination->sin6_addr, text, sizeof text);
  script->ipv6_destinations.push_back(text);
  script->request.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  script->reply_size = reply_size;
  // Every byte of the buffer was cleared before the send.
  for (DWORD i = 0; i < reply_size; ++i) EXPECT_EQ(0, static_cast<uint8_t*>(reply_buffer)[i]);
  if (script->ipv6.empty()) return 0;
  const Answer answer = script->ipv6.front();
  script->ipv6.pop_front();
  auto* out = static_cast<uint8_t*>(reply_buffer);
  ICMPV6_ECHO_REPLY reply{};
  reply.Status = answer.status;
  std::memcpy(out, &reply, sizeof reply);
  std::memcpy(out + sizeof reply, answer.data.data(), answer.data.size());
  return answer.replies;
}

}  // namespace winreach::scripted_icmp
