// Building, sealing and judging echo messages, as the raw-socket ping does
// once per ping and once per received datagram.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ping/echo_message.h"
#include "platform/posix/system_posix.h"

namespace {

// A system whose answers cost nothing, to time the logic alone.
class FixedSystem : public winreach::System {
 public:
  uint32_t LastError() override { return 0; }
  void SetLastError(uint32_t) override {}
  uint32_t CurrentProcessId() override { return 0x1234; }
  uint32_t TickCount() override { return 42; }
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
};

std::vector<uint8_t> ReplyDatagram(uint16_t identifier) {
  std::vector<uint8_t> datagram(20 + winreach::kEchoRequestSize, 0x45);
  datagram[0] = 0x45;
  datagram[20] = 0;
  datagram[24] = static_cast<uint8_t>(identifier);
  datagram[25] = static_cast<uint8_t>(identifier >> 8);
  return datagram;
}

sockaddr_in Address(uint32_t value) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = value;
  return address;
}

void BM_InternetChecksum44(benchmark::State& state) {
  winreach::EchoRequest request{};
  request.fill(0x45);
  for (auto _ : state) {
    benchmark::DoNotOptimize(request.data());
    benchmark::DoNotOptimize(winreach::InternetChecksum(request.data(), request.size()));
  }
}
BENCHMARK(BM_InternetChecksum44);

void BM_InternetChecksumLarge(benchmark::State& state) {
  std::vector<uint8_t> data(static_cast<size_t>(state.range(0)), 0xA5);
  for (auto _ : state) {
    benchmark::DoNotOptimize(winreach::InternetChecksum(data.data(), data.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_InternetChecksumLarge)->Arg(1500)->Arg(65535);

void BM_PrepareEchoRequest(benchmark::State& state) {
  FixedSystem system;
  winreach::EchoRequest request{};
  for (auto _ : state) {
    winreach::PrepareEchoRequest(system, 0x1234, request);
    benchmark::DoNotOptimize(request.data());
  }
}
BENCHMARK(BM_PrepareEchoRequest);

// With the real process identifier and tick count: two system calls.
void BM_PrepareEchoRequestLinux(benchmark::State& state) {
  winreach::PosixSystem system;
  winreach::EchoRequest request{};
  for (auto _ : state) {
    winreach::PrepareEchoRequest(system, 0x1234, request);
    benchmark::DoNotOptimize(request.data());
  }
}
BENCHMARK(BM_PrepareEchoRequestLinux);

void BM_IsEchoReplyForUs(benchmark::State& state) {
  // 0: accepted; 1: refused by the sender; 2: by the identifier.
  const int which = static_cast<int>(state.range(0));
  const auto datagram = ReplyDatagram(which == 2 ? 0x4321 : 0x1234);
  const sockaddr_in destination = Address(0x0200004D);
  const sockaddr_in sender = Address(which == 1 ? 0x0100004D : 0x0200004D);
  for (auto _ : state) {
    benchmark::DoNotOptimize(winreach::IsEchoReplyForUs(
        0x1234, datagram.data(), static_cast<int>(datagram.size()), sender, destination));
  }
}
BENCHMARK(BM_IsEchoReplyForUs)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
