// The NetBIOS adapter status path: reading an answer, numbering the LANAs,
// and whole queries against a name service on loopback or, with
// WR_NB_TARGET=<IPv4 address> (run inside the test network's client
// namespace), against a real one.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/posix/netbios/lana_table.h"
#include "platform/posix/netbios/node_status.h"
#include "platform/posix/netbios/node_status_client.h"
#include "platform/posix/netbios_posix.h"
#include "tests/data/node_status_captures.h"
#include "tests/support/loopback_responder.h"

namespace winreach {
namespace {

void BM_ParseCapturedAnswer(benchmark::State& state) {
  const std::span<const uint8_t> answer(testdata::kCapturedResponse);
  for (auto _ : state) {
    auto status = ParseNodeStatusResponse(answer, testdata::kCapturedId);
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_ParseCapturedAnswer);

void BM_FindLanaAddress(benchmark::State& state) {
  for (auto _ : state) {
    auto interfaces = SystemInterfaceAddresses();
    auto address = LanaAddress(*interfaces, 0);
    benchmark::DoNotOptimize(address);
  }
}
BENCHMARK(BM_FindLanaAddress);

void BM_QueryLoopbackResponder(benchmark::State& state) {
  nbtest::Responder responder([](nbtest::Responder& r, const nbtest::Responder::Request& q, int) {
    r.Send(nbtest::AnswerTo(q.id()), q.from);
  });
  for (auto _ : state) {
    auto outcome = QueryNodeStatus(nbtest::Loopback(), responder.address(), {});
    if (outcome.code != 0) state.SkipWithError("no answer");
  }
}
BENCHMARK(BM_QueryLoopbackResponder)->Unit(benchmark::kMicrosecond);

void BM_AdapterStatusOfTarget(benchmark::State& state) {
  const char* target = std::getenv("WR_NB_TARGET");
  if (target == nullptr) {
    state.SkipWithError("WR_NB_TARGET not set");
    for (auto _ : state) {
    }
    return;
  }
  PosixNetbios netbios;
  uint8_t buffer[600];
  for (auto _ : state) {
    NCB ncb{};
    ncb.ncb_command = NCBASTAT;
    std::memset(ncb.ncb_callname, ' ', 15);
    std::memcpy(ncb.ncb_callname, target, std::min<size_t>(std::strlen(target), 15));
    ncb.ncb_buffer = buffer;
    ncb.ncb_length = sizeof buffer;
    if (netbios.Call(&ncb) != 0) state.SkipWithError("query failed");
  }
}
BENCHMARK(BM_AdapterStatusOfTarget)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace winreach
