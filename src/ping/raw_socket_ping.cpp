#include "ping/raw_socket_ping.h"

#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "ping/echo_message.h"
#include "platform/format.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

constexpr size_t kBufferSize = 1024;
// Foreign datagrams told one line each within one wait; the rest are
// counted silently.
constexpr uint32_t kMaxForeignLines = 10;

// The socket of one ping, closed whichever way the ping ends.
class ScopedSocket {
 public:
  ScopedSocket(Sockets& sockets, SocketHandle handle) : sockets_(sockets), handle_(handle) {}
  ~ScopedSocket() {
    if (handle_ != kInvalidSocket) sockets_.Close(handle_);
  }
  ScopedSocket(const ScopedSocket&) = delete;
  ScopedSocket& operator=(const ScopedSocket&) = delete;
  SocketHandle get() const { return handle_; }

 private:
  Sockets& sockets_;
  SocketHandle handle_;
};

void PrintWithError(Platform& platform, std::wstring_view text, PingDetail& detail) {
  const uint32_t error = platform.sockets().LastError();
  platform.console().Write(std::wstring(text) + Hex8(error) + L"\n");
  detail.code = error;
}

// The target's IPv4 address: the first of its host entry, else the dotted
// address itself.
bool ResolveDestination(Sockets& sockets, const std::string& name, sockaddr_in* destination) {
  std::memset(destination, 0, sizeof *destination);
  if (const std::optional<HostEntry> host = sockets.GetHostByName(name)) {
    destination->sin_family = static_cast<decltype(destination->sin_family)>(host->address_type);
    std::memcpy(&destination->sin_addr, host->first_address.data(), 4);
    return true;
  }
  const uint32_t address = sockets.InetAddr(name);
  if (address == kInaddrNone) return false;
  destination->sin_family = AF_INET;
  destination->sin_addr.s_addr = address;
  return true;
}

}  // namespace

int32_t ElapsedMilliseconds(int64_t start, int64_t now, int64_t frequency) {
  constexpr int32_t kMost = std::numeric_limits<int32_t>::max();
  if (frequency <= 0) return kMost;
  const int64_t counts = now - start;
  if (counts <= 0) return 0;
  // Whole seconds and the rest apart, so that counts × 1000 cannot overflow.
  const int64_t seconds = counts / frequency;
  if (seconds > kMost / 1000) return kMost;
  const int64_t milliseconds = seconds * 1000 + (counts % frequency) * 1000 / frequency;
  return milliseconds > kMost ? kMost : static_cast<int32_t>(milliseconds);
}

int RawSocketPing(Platform& platform, std::wstring_view target, int32_t timeout_ms,
                  PingDetail* detail_out) {
  PingDetail unused;
  PingDetail& detail = detail_out != nullptr ? *detail_out : unused;
  detail.method = L"raw_socket";
  detail.family = L"ipv4";
  Sockets& sockets = platform.sockets();
  System& system = platform.system();
  // Nothing when the name cannot go whole; it is then never looked up.
  const std::optional<std::string> name = system.ToPingName(target, kMaxEightBitName);

  ScopedSocket socket(sockets, sockets.Socket(AF_INET, SOCK_RAW, IPPROTO_ICMP));
  if (socket.get() == kInvalidSocket) {
    PrintWithError(platform, L"Unable to create the socket for the ping. Error code: ", detail);
    return 0;
  }
  const auto timeout = static_cast<uint32_t>(timeout_ms);
  if (sockets.SetTimeout(socket.get(), SocketTimeout::kReceive, timeout) == kSocketError) {
    PrintWithError(platform, L"Failed to set the timeout. Error code: ", detail);
  }
  if (sockets.SetTimeout(socket.get(), SocketTimeout::kSend, timeout) == kSocketError) {
    PrintWithError(platform, L"Failed to set the timeout. Error code: ", detail);
  }

  sockaddr_in destination;
  if (!name) {
    platform.console().Write(L"Name resolution problem. Error code: " +
                             Hex8(status::kWsaHostNotFound) + L"\n");
    detail.code = status::kWsaHostNotFound;
    return 0;
  }
  if (!ResolveDestination(sockets, *name, &destination)) {
    PrintWithError(platform, L"Name resolution problem. Error code: ", detail);
    return 0;
  }

  std::array<uint8_t, kBufferSize> send_buffer{};
  EchoRequest request;
  const uint16_t identifier = NewEchoIdentifier(system);
  PrepareEchoRequest(system, identifier, request);
  std::memcpy(send_buffer.data(), request.data(), request.size());

  // The time-out bounds the send and the whole wait together.
  const int64_t frequency = system.PerformanceFrequency();
  const int64_t start = system.PerformanceCounter();
  if (sockets.SendTo(socket.get(), send_buffer.data(), static_cast<int>(kEchoRequestSize),
                     destination) == kSocketError) {
    PrintWithError(platform, L"Failed to send the packet. Error code: ", detail);
    return 0;
  }

  std::array<uint8_t, kBufferSize> receive_buffer{};
  sockaddr_in sender{};
  int sender_length = sizeof sender;
  int32_t elapsed = 0;
  bool answered = false;
  uint32_t foreign = 0;
  while (!answered && elapsed < timeout_ms) {
    // Each receive waits only for what remains, so foreign datagrams cannot
    // lengthen the wait. A failure here changes nothing worth reporting.
    sockets.SetTimeout(socket.get(), SocketTimeout::kReceive,
                       static_cast<uint32_t>(timeout_ms - elapsed));
    const int received = sockets.RecvFrom(socket.get(), receive_buffer.data(),
                                          static_cast<int>(receive_buffer.size()), &sender,
                                          &sender_length);
    if (received == kSocketError && sockets.LastError() != status::kWsaTimedOut) {
      PrintWithError(platform, L"Failed to receive the packet. Error code: ", detail);
    }
    elapsed = ElapsedMilliseconds(start, system.PerformanceCounter(), frequency);
    if (received == kSocketError) break;
    // A receive never reports more than the buffer holds; stay within it
    // all the same.
    const int length = received > static_cast<int>(receive_buffer.size())
                           ? static_cast<int>(receive_buffer.size())
                           : received;
    answered = IsEchoReplyForUs(identifier, receive_buffer.data(), length, sender, destination);
    // A flood of foreign datagrams must not flood the report: the first few
    // are told, the rest only counted.
    if (!answered && ++foreign <= kMaxForeignLines) {
      platform.console().Write(L"Received packed does not match\n");
    }
  }
  if (answered) detail.round_trip_ms = static_cast<uint32_t>(elapsed);
  return answered ? 1 : 0;
}

}  // namespace winreach
