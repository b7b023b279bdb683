#include "ping/library_ping.h"

#include <array>
#include <cstring>

#include "ping/ping_libraries.h"
#include "platform/format.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

// The caller's time-out, as the helpers take it; a negative one would read as
// a wait of weeks.
DWORD SendTimeout(int32_t timeout_ms) {
  return timeout_ms < 0 ? DWORD{0} : static_cast<DWORD>(timeout_ms);
}

IP_OPTION_INFORMATION EchoOptions() {
  IP_OPTION_INFORMATION options{};
  options.Ttl = kEchoTtl;
  options.Tos = 0;
  options.Flags = 0;
  options.OptionsSize = 0;
  options.OptionsData = nullptr;
  return options;
}

bool IsValidHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// Stores `code` as the thread's last error and prints the line with the value
// read back, in decimal.
void PrintLastError(Platform& platform, std::wstring_view text, uint32_t code,
                    PingDetail& detail) {
  platform.system().SetLastError(code);
  const auto stored = static_cast<int32_t>(platform.system().LastError());
  platform.console().Write(std::wstring(text) + Decimal(stored) + L"\n");
  detail.code = static_cast<uint32_t>(stored);
}

// Whether the reply in `buffer` is one error-free echo of EchoPayload; prints
// the first test that fails.
bool JudgeIpv4Reply(Platform& platform, DWORD replies, const uint8_t* buffer, size_t size,
                    PingDetail& detail) {
  if (replies != 1) return false;
  ICMP_ECHO_REPLY reply;
  std::memcpy(&reply, buffer, sizeof reply);
  if (reply.Status != IP_SUCCESS) {
    PrintLastError(platform, L"Ping0 - Check the IP status is OK - LastErr ", reply.Status,
                   detail);
    return false;
  }
  if (reply.DataSize != kEchoPayloadSize) {
    PrintLastError(platform,
                   L"Ping0 - Check we got the same amount of data back as we sent - LastErr ",
                   status::kUnexpectedNetError, detail);
    return false;
  }
  // The echoed bytes lie where Data points, which must be inside our buffer.
  const auto first = reinterpret_cast<uintptr_t>(buffer);
  const auto data = reinterpret_cast<uintptr_t>(reply.Data);
  const bool inside = data >= first && size >= kEchoPayloadSize &&
                      data - first <= size - kEchoPayloadSize;
  bool same = inside;
  for (size_t i = 0; same && i < kEchoPayloadSize; ++i) {
    same = buffer[(data - first) + i] == EchoPayload[i];
  }
  if (!same) {
    PrintLastError(platform, L"Ping0 - Check the data we got back is what was sent - LastErr ",
                   status::kUnexpectedNetError, detail);
    return false;
  }
  detail.round_trip_ms = reply.RoundTripTime;
  return true;
}

bool Ipv4Ping(Platform& platform, const PingLibraries& table, IPAddr destination,
              int32_t timeout_ms, PingDetail& detail) {
  if (table.icmp_create_file == nullptr || table.icmp_send_echo == nullptr ||
      table.icmp_close_handle == nullptr) {
    return false;
  }
  const HANDLE handle = table.icmp_create_file();
  if (!IsValidHandle(handle)) return false;

  detail.family = L"ipv4";
  IP_OPTION_INFORMATION options = EchoOptions();
  std::array<uint8_t, kEchoPayloadSize> request = EchoPayload;
  alignas(ICMP_ECHO_REPLY) std::array<uint8_t, kIpv4ReplyBufferSize> reply{};
  const DWORD replies = table.icmp_send_echo(
      handle, destination, request.data(), static_cast<WORD>(request.size()), &options,
      reply.data(), static_cast<DWORD>(reply.size()), SendTimeout(timeout_ms));
  const bool answered = JudgeIpv4Reply(platform, replies, reply.data(), reply.size(), detail);
  table.icmp_close_handle(handle);
  return answered;
}

}  // namespace

int Ping0(Platform& platform, const PingLibraries& libraries, std::wstring_view target,
          int32_t timeout_ms, PingDetail* detail) {
  PingDetail unused;
  if (detail == nullptr) detail = &unused;
  detail->method = L"library";
  Sockets& sockets = platform.sockets();
  // Nothing when the name cannot go whole; it is then never looked up.
  const std::optional<std::string> name =
      platform.system().ToPingName(target, kMaxEightBitName);
  if (!name) {
    platform.console().Write(L"Ping0 - Name resolution problem\n");
    return 0;
  }

  IPAddr destination;
  if (const std::optional<HostEntry> host = sockets.GetHostByName(*name)) {
    std::memcpy(&destination, host->first_address.data(), sizeof destination);
  } else {
    destination = sockets.InetAddr(*name);
    if (destination == kInaddrNone) {
      platform.console().Write(L"Ping0 - Name resolution problem\n");
      return 0;
    }
  }

  if (Ipv4Ping(platform, libraries, destination, timeout_ms, *detail)) return 1;
  platform.console().Write(L"Ping0 - IPv4 Ping failed, try IPv6 Ping \n");
  return IPv6Ping(platform, libraries, *name, timeout_ms, detail) ? 1 : 0;
}

bool IPv6Ping(Platform& platform, const PingLibraries& table, const std::string& name,
              int32_t timeout_ms, PingDetail* detail) {
  PingDetail unused;
  if (detail == nullptr) detail = &unused;
  if (name.empty() || table.icmp6_create_file == nullptr || table.icmp6_send_echo2 == nullptr ||
      table.icmp_close_handle == nullptr || table.getaddrinfo == nullptr ||
      table.freeaddrinfo == nullptr) {
    return false;
  }

  sockaddr_in6 source{};
  source.sin6_family = AF_INET6;

  // No hints: addresses of every family come back, one entry per address.
  PADDRINFOA list = nullptr;
  if (table.getaddrinfo(name.c_str(), nullptr, nullptr, &list) != 0 || list == nullptr) {
    const uint32_t error = platform.sockets().LastError();
    platform.console().Write(L"IPv6Ping - Set destination IPV6 information. Error code: " +
                             Hex8(error) + L"\n");
    detail->code = error;
    return false;
  }

  const HANDLE handle = table.icmp6_create_file();
  if (!IsValidHandle(handle)) {
    table.freeaddrinfo(list);
    return false;
  }

  bool answered = false;
  for (const ADDRINFOA* entry = list; entry != nullptr && !answered; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET6) continue;
    if (entry->ai_addr == nullptr || entry->ai_addrlen < sizeof(sockaddr_in6)) continue;
    sockaddr_in6 destination;
    std::memcpy(&destination, entry->ai_addr, sizeof destination);

    std::array<uint8_t, kEchoPayloadSize> request = EchoPayload;
    alignas(ICMPV6_ECHO_REPLY) std::array<uint8_t, kIpv6ReplyBufferSize> reply{};
    detail->family = L"ipv6";
    IP_OPTION_INFORMATION options = EchoOptions();
    const DWORD replies = table.icmp6_send_echo2(
        handle, nullptr, nullptr, nullptr, &source, &destination, request.data(),
        static_cast<WORD>(request.size()), &options, reply.data(),
        static_cast<DWORD>(reply.size()), SendTimeout(timeout_ms));
    if (replies != 1) continue;
    ICMPV6_ECHO_REPLY header;
    std::memcpy(&header, reply.data(), sizeof header);
    if (header.Status != IP_SUCCESS) {
      PrintLastError(platform, L"IPv6Ping - Error reply. Error code: ", header.Status, *detail);
      continue;
    }
    // The platform puts the echoed bytes right behind the reply structure.
    answered = std::memcmp(reply.data() + sizeof(ICMPV6_ECHO_REPLY), request.data(),
                           request.size()) == 0;
    if (answered) detail->round_trip_ms = header.RoundTripTime;
  }

  table.icmp_close_handle(handle);
  table.freeaddrinfo(list);
  return answered;
}

}  // namespace winreach
