// One ping to a real host by each method, with the platform the program
// uses. Run it where the host is reachable, for instance in the test
// network's client namespace with ICMP datagram sockets open and as root
// (the raw socket):
//
//   WINREACH_BENCH_HOST=testhost ip netns exec wr-cli build/ping_benchmark
//
// With WINREACH_BENCH_SILENT=silent it also times the wait for a host that
// never answers (the time-out of 1000 ms). Without the variables it skips.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ping/library_ping.h"
#include "ping/ping_libraries.h"
#include "ping/raw_socket_ping.h"

namespace {

std::wstring HostFrom(const char* variable) {
  const char* value = std::getenv(variable);
  return value == nullptr ? std::wstring() : std::wstring(value, value + std::strlen(value));
}

void Ping(benchmark::State& state, winreach::PingMethod method, const char* variable,
          bool expect_answer) {
  const std::wstring host = HostFrom(variable);
  if (host.empty()) {
    state.SkipWithError((std::string(variable) + " is not set").c_str());
    return;
  }
  winreach::Platform& platform = winreach::Platform::Default();
  winreach::PingLibraries libraries;
  winreach::LoadPingLibraries(platform, libraries);
  if (method == winreach::PingMethod::kLibrary && libraries.method != method) {
    state.SkipWithError("no ICMP helper functions: open net.ipv4.ping_group_range");
    return;
  }
  libraries.method = method;  // the one under measurement
  for (auto _ : state) {
    const int answered = winreach::PingTarget(platform, libraries, host, 1000);
    if ((answered != 0) != expect_answer) {
      state.SkipWithError("unexpected verdict");
      break;
    }
  }
  winreach::FreePingLibraries(platform, libraries);
}

void BM_RawSocketPing(benchmark::State& state) {
  Ping(state, winreach::PingMethod::kRawSocket, "WINREACH_BENCH_HOST", true);
}
void BM_LibraryPing(benchmark::State& state) {
  Ping(state, winreach::PingMethod::kLibrary, "WINREACH_BENCH_HOST", true);
}
void BM_RawSocketPingSilent(benchmark::State& state) {
  Ping(state, winreach::PingMethod::kRawSocket, "WINREACH_BENCH_SILENT", false);
}
void BM_LibraryPingSilent(benchmark::State& state) {
  Ping(state, winreach::PingMethod::kLibrary, "WINREACH_BENCH_SILENT", false);
}

BENCHMARK(BM_RawSocketPing)->Unit(benchmark::kMicrosecond)->Repetitions(10);
BENCHMARK(BM_LibraryPing)->Unit(benchmark::kMicrosecond)->Repetitions(10);
BENCHMARK(BM_RawSocketPingSilent)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);
BENCHMARK(BM_LibraryPingSilent)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace
