// Feeds arbitrary datagrams to the echo reply test of the raw-socket ping.
// The datagram lies in a buffer of exactly its size, so that any read beyond
// the received length is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ping/echo_message.h"

namespace {

class FuzzSystem : public winreach::System {
 public:
  uint32_t LastError() override { return 0; }
  void SetLastError(uint32_t) override {}
  uint32_t CurrentProcessId() override { return process_id; }
  uint32_t TickCount() override { return 0; }
  int64_t PerformanceFrequency() override { return 1000; }
  int64_t PerformanceCounter() override { return 0; }
  std::wstring ComputerName() override { return {}; }
  std::wstring UpperCase(std::wstring_view text) override { return std::wstring(text); }
  std::optional<std::string> ToCodePage(std::wstring_view, size_t) override { return {}; }
  std::optional<std::string> ToPingName(std::wstring_view, size_t) override { return {}; }
  std::wstring FromCodePage(std::string_view) override { return {}; }
  std::wstring FromNetbiosName(std::string_view) override { return {}; }
  std::wstring ErrorMessage(uint32_t, std::wstring_view own) override { return std::wstring(own); }
  winreach::RemoteLogon RemoteLogonBy() override { return winreach::RemoteLogon::kProgram; }
  uint32_t process_id = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  FuzzSystem system;
  system.process_id = static_cast<uint32_t>(data[0] | (data[1] << 8));
  const bool same_sender = (data[2] & 1) != 0;
  const bool lie_about_length = (data[2] & 2) != 0;
  data += 3;
  size -= 3;

  std::vector<uint8_t> datagram(data, data + size);
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_addr.s_addr = 0x0200004D;
  sockaddr_in sender = destination;
  if (!same_sender) sender.sin_addr.s_addr ^= 1;
  // The length is what was received: never more than the buffer, but a
  // caller may report less.
  int length = static_cast<int>(size);
  if (lie_about_length && length > 0) length /= 2;
  winreach::IsEchoReplyForUs(static_cast<uint16_t>(system.process_id), datagram.empty() ? nullptr : datagram.data(), length, sender,
                             destination);

  // The checksum reads exactly the bytes it is given.
  if (size <= 65535) winreach::InternetChecksum(datagram.data(), datagram.size());
  return 0;
}
