// The DCE/RPC answer path on recorded PDUs: the common header, a response
// fragment, the NDR of the server information levels, a registry value and
// a context handle, and whole calls (bind, request, reassembly, decoding)
// over an in-memory pipe, from one fragment to a 1 MiB answer in many.
#include <benchmark/benchmark.h>

#include <cstring>
#include <span>
#include <vector>

#include "platform/status_codes.h"
#include "rpc/rpc_client.h"
#include "rpc/rpc_pdu.h"
#include "rpc/srvsvc.h"
#include "rpc/winreg.h"
#include "tests/data/rpc_captures.h"

namespace winreach::rpc {
namespace {

namespace capture = winreach::rpc::capture;

// The stub data of a recorded response fragment.
std::span<const uint8_t> StubOf(std::span<const uint8_t> fragment) {
  Header header;
  ResponseFragment response;
  if (!ParseHeader(fragment, &header) || !ParseResponseFragment(fragment, header, &response)) {
    return {};
  }
  return response.stub;
}

// A pipe that takes every write and answers reads from a script of bytes,
// played again from its start whenever it runs out.
class ScriptedPipe : public PipeTransport {
 public:
  explicit ScriptedPipe(std::vector<uint8_t> script) : script_(std::move(script)) {}
  uint32_t Write(std::span<const uint8_t>) override { return 0; }
  uint32_t Read(std::span<uint8_t> out) override {
    if (out.size() > script_.size() - at_) return status::kRpcProtocolError;
    std::memcpy(out.data(), script_.data() + at_, out.size());
    at_ += out.size();
    return 0;
  }
  void Rewind() { at_ = 0; }

 private:
  std::vector<uint8_t> script_;
  size_t at_ = 0;
};

void Append(std::vector<uint8_t>* out, std::span<const uint8_t> bytes) {
  out->insert(out->end(), bytes.begin(), bytes.end());
}

// A response of `stub_size` bytes cut into fragments of `fragment_stub`
// bytes each, for call id 2 (the first call after the bind).
std::vector<uint8_t> FragmentedResponse(size_t stub_size, size_t fragment_stub) {
  std::vector<uint8_t> out;
  for (size_t done = 0; done < stub_size; done += fragment_stub) {
    const size_t n = std::min(fragment_stub, stub_size - done);
    const size_t length = kHeaderSize + 8 + n;
    uint8_t flags = 0;
    if (done == 0) flags |= kFirstFragment;
    if (done + n == stub_size) flags |= kLastFragment;
    const uint8_t header[24] = {5, 0, 2, flags, 0x10, 0, 0, 0,
                                static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                0, 0, 2, 0, 0, 0,
                                static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0,
                                0, 0, 0, 0};
    Append(&out, header);
    out.resize(out.size() + n, 0x41);
  }
  return out;
}

void BM_ParseHeader(benchmark::State& state) {
  const std::span<const uint8_t> fragment(capture::kGetInfo102Response);
  for (auto _ : state) {
    Header header;
    benchmark::DoNotOptimize(ParseHeader(fragment, &header));
    benchmark::DoNotOptimize(header);
  }
}
BENCHMARK(BM_ParseHeader);

void BM_ParseBindAck(benchmark::State& state) {
  const std::span<const uint8_t> fragment(capture::kSrvsvcBindAck);
  for (auto _ : state) {
    BindAck ack;
    benchmark::DoNotOptimize(ParseBindAck(fragment, &ack));
    benchmark::DoNotOptimize(ack);
  }
}
BENCHMARK(BM_ParseBindAck);

void BM_ParseResponseFragment(benchmark::State& state) {
  const std::span<const uint8_t> fragment(capture::kGetInfo102Response);
  Header header;
  ParseHeader(fragment, &header);
  for (auto _ : state) {
    ResponseFragment response;
    benchmark::DoNotOptimize(ParseResponseFragment(fragment, header, &response));
    benchmark::DoNotOptimize(response);
  }
}
BENCHMARK(BM_ParseResponseFragment);

void BM_ParseServerInfo(benchmark::State& state) {
  const auto level = static_cast<uint32_t>(state.range(0));
  const std::span<const uint8_t> stub =
      StubOf(level == 100   ? std::span<const uint8_t>(capture::kGetInfo100Response)
             : level == 101 ? std::span<const uint8_t>(capture::kGetInfo101Response)
                            : std::span<const uint8_t>(capture::kGetInfo102Response));
  if (stub.empty()) state.SkipWithError("recorded response does not parse");
  for (auto _ : state) {
    ServerInfoResponse response;
    benchmark::DoNotOptimize(ParseNetrServerGetInfoResponse(stub, level, &response));
    benchmark::DoNotOptimize(response);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stub.size()));
}
BENCHMARK(BM_ParseServerInfo)->Arg(100)->Arg(101)->Arg(102);

void BM_ParseQueryValue(benchmark::State& state) {
  const std::span<const uint8_t> stub = StubOf(capture::kQueryComputerNameResponse);
  if (stub.empty()) state.SkipWithError("recorded response does not parse");
  for (auto _ : state) {
    QueryValueResponse response;
    benchmark::DoNotOptimize(ParseBaseRegQueryValueResponse(stub, 2048, &response));
    benchmark::DoNotOptimize(response);
  }
}
BENCHMARK(BM_ParseQueryValue);

void BM_ParseHandleResponse(benchmark::State& state) {
  const std::span<const uint8_t> stub = StubOf(capture::kOpenLocalMachineResponse);
  if (stub.empty()) state.SkipWithError("recorded response does not parse");
  for (auto _ : state) {
    ContextHandle handle;
    uint32_t status = 0;
    benchmark::DoNotOptimize(ParseHandleResponse(stub, &handle, &status));
    benchmark::DoNotOptimize(handle);
  }
}
BENCHMARK(BM_ParseHandleResponse);

// Bind and one NetrServerGetInfo call at level 102, as recorded, decoded to
// the end: what one server information line costs apart from the network.
void BM_RecordedServerInfoCall(benchmark::State& state) {
  std::vector<uint8_t> script;
  Append(&script, capture::kSrvsvcBindAck);
  Append(&script, capture::kGetInfo102Response);
  ScriptedPipe pipe(script);
  const auto request = NetrServerGetInfoRequest(u"\\\\testhost", 102);
  for (auto _ : state) {
    pipe.Rewind();
    RpcClient client(pipe);
    std::vector<uint8_t> answer;
    ServerInfoResponse response;
    if (client.Bind(kSrvsvc) != 0 || client.Call(21, request, &answer) != 0 ||
        !ParseNetrServerGetInfoResponse(answer, 102, &response)) {
      state.SkipWithError("recorded call failed");
      break;
    }
    benchmark::DoNotOptimize(response);
  }
}
BENCHMARK(BM_RecordedServerInfoCall);

// One call whose answer of range(0) bytes comes in fragments of range(1)
// bytes of stub each: reassembly up to the largest answer we accept.
void BM_ReassembleResponse(benchmark::State& state) {
  const auto stub_size = static_cast<size_t>(state.range(0));
  const auto fragment_stub = static_cast<size_t>(state.range(1));
  std::vector<uint8_t> script;
  Append(&script, capture::kSrvsvcBindAck);
  Append(&script, FragmentedResponse(stub_size, fragment_stub));
  ScriptedPipe pipe(script);
  const auto request = NetrServerGetInfoRequest(u"\\\\testhost", 102);
  for (auto _ : state) {
    pipe.Rewind();
    RpcClient client(pipe);
    std::vector<uint8_t> answer;
    if (client.Bind(kSrvsvc) != 0 || client.Call(21, request, &answer) != 0 ||
        answer.size() != stub_size) {
      state.SkipWithError("reassembly failed");
      break;
    }
    benchmark::DoNotOptimize(answer);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stub_size));
}
BENCHMARK(BM_ReassembleResponse)
    ->Args({200, 4256})
    ->Args({64 << 10, 4256})
    ->Args({kMaxResponseStub, 4256})
    ->Args({kMaxResponseStub, 64});

}  // namespace
}  // namespace winreach::rpc
