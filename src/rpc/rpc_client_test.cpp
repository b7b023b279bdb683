#include "rpc/rpc_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <vector>

#include "platform/status_codes.h"
#include "rpc/srvsvc.h"
#include "tests/data/rpc_captures.h"

namespace winreach::rpc {
namespace {

template <size_t N>
std::vector<uint8_t> Vec(const uint8_t (&bytes)[N]) {
  return std::vector<uint8_t>(bytes, bytes + N);
}

// A pipe that serves scripted bytes and records what is written and how
// much each read asks for.
class ScriptedPipe : public PipeTransport {
 public:
  uint32_t Write(std::span<const uint8_t> bytes) override {
    written.emplace_back(bytes.begin(), bytes.end());
    return write_error;
  }
  uint32_t Read(std::span<uint8_t> out) override {
    reads.push_back(out.size());
    if (incoming.size() < out.size()) return status::kRpcProtocolError;
    std::copy(incoming.begin(), incoming.begin() + static_cast<ptrdiff_t>(out.size()), out.begin());
    incoming.erase(incoming.begin(), incoming.begin() + static_cast<ptrdiff_t>(out.size()));
    return 0;
  }
  void Serve(const std::vector<uint8_t>& bytes) {
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
  }

  std::deque<uint8_t> incoming;
  std::vector<std::vector<uint8_t>> written;
  std::vector<size_t> reads;
  uint32_t write_error = 0;
};

// A response fragment with this stub, call id and flags.
std::vector<uint8_t> Response(uint32_t call_id, const std::vector<uint8_t>& stub,
                              uint8_t flags = kFirstFragment | kLastFragment,
                              uint8_t type = 2) {
  std::vector<uint8_t> pdu = {5, 0, type, flags, 0x10, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) pdu.push_back(static_cast<uint8_t>(call_id >> (8 * i)));
  for (int i = 0; i < 4; ++i) pdu.push_back(static_cast<uint8_t>(stub.size() >> (8 * i)));
  pdu.insert(pdu.end(), {0, 0, 0, 0});
  pdu.insert(pdu.end(), stub.begin(), stub.end());
  pdu[8] = static_cast<uint8_t>(pdu.size());
  pdu[9] = static_cast<uint8_t>(pdu.size() >> 8);
  return pdu;
}

std::vector<uint8_t> Fault(uint32_t call_id, uint32_t status) {
  std::vector<uint8_t> body = {static_cast<uint8_t>(status), static_cast<uint8_t>(status >> 8),
                               static_cast<uint8_t>(status >> 16),
                               static_cast<uint8_t>(status >> 24), 0, 0, 0, 0};
  return Response(call_id, body, kFirstFragment | kLastFragment, 3);
}

class RpcClientTest : public ::testing::Test {
 protected:
  void BindSrvsvc() {
    pipe_.Serve(Vec(capture::kSrvsvcBindAck));
    ASSERT_EQ(client_.Bind(kSrvsvc), 0u);
  }
  ScriptedPipe pipe_;
  RpcClient client_{pipe_};
};

TEST_F(RpcClientTest, CapturedExchangeReadsHeaderThenExactlyTheRest) {
  BindSrvsvc();
  pipe_.Serve(Vec(capture::kGetInfo100Response));
  std::vector<uint8_t> stub;
  ASSERT_EQ(client_.Call(kNetrServerGetInfo, NetrServerGetInfoRequest(u"\\\\testhost", 100), &stub),
            0u);
  ASSERT_EQ(pipe_.written.size(), 2u);
  EXPECT_EQ(pipe_.written[0], Vec(capture::kSrvsvcBind));
  EXPECT_EQ(pipe_.written[1], Vec(capture::kGetInfo100Request));
  EXPECT_EQ(pipe_.reads, (std::vector<size_t>{16, sizeof(capture::kSrvsvcBindAck) - 16, 16,
                                              sizeof(capture::kGetInfo100Response) - 16}));
  EXPECT_EQ(stub.size(), sizeof(capture::kGetInfo100Response) - 24);
}

TEST_F(RpcClientTest, ReassemblesFragmentsInOrder) {
  BindSrvsvc();
  pipe_.Serve(Response(2, {1, 2, 3, 4, 5, 6, 7, 8}, kFirstFragment));
  pipe_.Serve(Response(2, {9, 10}, 0));
  pipe_.Serve(Response(2, {11}, kLastFragment));
  std::vector<uint8_t> stub;
  ASSERT_EQ(client_.Call(1, {}, &stub), 0u);
  EXPECT_EQ(stub, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(RpcClientTest, FragmentsOutOfOrderOrOfAnotherCallAreProtocolErrors) {
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> fragments;
  };
  const std::vector<Case> cases = {
      {"first without the first flag", {Response(2, {1}, kLastFragment)}},
      {"second with the first flag", {Response(2, {1}, kFirstFragment),
                                      Response(2, {2}, kFirstFragment | kLastFragment)}},
      {"wrong call id", {Response(7, {1})}},
      {"bind_ack instead of response", {Vec(capture::kSrvsvcBindAck)}},
  };
  for (const Case& c : cases) {
    ScriptedPipe pipe;
    RpcClient client(pipe);
    pipe.Serve(Vec(capture::kSrvsvcBindAck));
    ASSERT_EQ(client.Bind(kSrvsvc), 0u);
    for (const auto& fragment : c.fragments) pipe.Serve(fragment);
    std::vector<uint8_t> stub;
    EXPECT_EQ(client.Call(1, {}, &stub), status::kRpcProtocolError) << c.what;
  }
}

TEST_F(RpcClientTest, FaultsAreMappedAndLeaveThePipeUsable) {
  BindSrvsvc();
  pipe_.Serve(Fault(2, 0x1C010002));
  std::vector<uint8_t> stub;
  EXPECT_EQ(client_.Call(99, {}, &stub), 1745u);  // RPC_S_PROCNUM_OUT_OF_RANGE
  pipe_.Serve(Fault(3, 5));
  EXPECT_EQ(client_.Call(1, {}, &stub), 5u);  // a Windows code passes through
  pipe_.Serve(Response(4, {1}));
  EXPECT_EQ(client_.Call(1, {}, &stub), 0u);
}

TEST_F(RpcClientTest, MalformedAnswerBreaksThePipeForLaterCalls) {
  BindSrvsvc();
  auto truncated = Vec(capture::kGetInfo100Response);
  truncated.resize(30);  // the header promises more than comes
  pipe_.Serve(truncated);
  std::vector<uint8_t> stub;
  EXPECT_EQ(client_.Call(kNetrServerGetInfo, {}, &stub), status::kRpcProtocolError);
  pipe_.Serve(Response(3, {1}));
  EXPECT_EQ(client_.Call(kNetrServerGetInfo, {}, &stub), status::kRpcProtocolError);
}

TEST_F(RpcClientTest, TransportFailuresPassThrough) {
  pipe_.write_error = 1726;
  EXPECT_EQ(client_.Bind(kSrvsvc), 1726u);
}

TEST_F(RpcClientTest, CallBeforeBindIsRefused) {
  std::vector<uint8_t> stub;
  EXPECT_EQ(client_.Call(1, {}, &stub), status::kRpcProtocolError);
  EXPECT_TRUE(pipe_.written.empty());
}

TEST_F(RpcClientTest, RejectedBindGivesTheReasonsCode) {
  auto rejected = Vec(capture::kSrvsvcBindAck);
  rejected[44] = 2;  // provider rejection
  rejected[46] = 1;  // abstract syntax not supported
  pipe_.Serve(rejected);
  EXPECT_EQ(client_.Bind(kSrvsvc), 1717u);  // RPC_S_UNKNOWN_IF

  ScriptedPipe pipe;
  RpcClient client(pipe);
  pipe.Serve({5, 0, 13, 3, 0x10, 0, 0, 0, 18, 0, 0, 0, 1, 0, 0, 0, 4, 0});
  EXPECT_EQ(client.Bind(kSrvsvc), 1728u);  // bind_nak: protocol version
}

TEST_F(RpcClientTest, EndlessFragmentsWithoutStubDataAreGivenUp) {
  BindSrvsvc();
  // Far more than the bound; the client stops reading at the bound.
  pipe_.Serve(Response(2, {}, kFirstFragment));
  for (size_t i = 0; i < 4 * kMaxResponseFragments; ++i) pipe_.Serve(Response(2, {}, 0));
  std::vector<uint8_t> stub;
  EXPECT_EQ(client_.Call(1, {}, &stub), status::kRpcProtocolError);
  EXPECT_LE(pipe_.reads.size(), 2 + 2 * (kMaxResponseFragments + 1));
  // The pipe's stream is no longer trusted.
  pipe_.incoming.clear();
  pipe_.Serve(Response(3, {1}));
  EXPECT_EQ(client_.Call(1, {}, &stub), status::kRpcProtocolError);
}

TEST_F(RpcClientTest, BindAcceptedWithAnotherTransferSyntaxIsRefused) {
  auto ndr64 = Vec(capture::kSrvsvcBindAck);
  // The accepted result's transfer syntax becomes NDR64
  // (71710533-beba-4937-8319-b5dbef9ccc36 v1).
  const SyntaxId kNdr64{Uuid("71710533-beba-4937-8319-b5dbef9ccc36"), 1, 0};
  std::copy(kNdr64.uuid.begin(), kNdr64.uuid.end(), ndr64.begin() + 48);
  ndr64[64] = 1;
  pipe_.Serve(ndr64);
  EXPECT_EQ(client_.Bind(kSrvsvc), status::kRpcProtocolError);
}

TEST_F(RpcClientTest, ResponseLargerThanTheLimitIsNotBelieved) {
  BindSrvsvc();
  const std::vector<uint8_t> chunk(60000, 0);
  const size_t needed = kMaxResponseStub / chunk.size() + 1;
  for (size_t i = 0; i < needed; ++i) {
    pipe_.Serve(Response(2, chunk, i == 0 ? kFirstFragment : 0));
  }
  std::vector<uint8_t> stub;
  EXPECT_EQ(client_.Call(1, {}, &stub), status::kRpcProtocolError);
}

}  // namespace
}  // namespace winreach::rpc
