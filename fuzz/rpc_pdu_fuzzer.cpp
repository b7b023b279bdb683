// The DCE/RPC client against a pipe that answers with arbitrary bytes: the
// bind, then one call whose fragments are read and reassembled.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/status_codes.h"
#include "rpc/rpc_client.h"
#include "rpc/rpc_pdu.h"
#include "rpc/srvsvc.h"

namespace {

class FuzzPipe : public winreach::rpc::PipeTransport {
 public:
  FuzzPipe(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Write(std::span<const uint8_t>) override { return 0; }
  uint32_t Read(std::span<uint8_t> out) override {
    if (out.size() > size_ - at_) return winreach::status::kRpcProtocolError;
    if (!out.empty()) std::memcpy(out.data(), data_ + at_, out.size());
    at_ += out.size();
    return 0;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::rpc;
  // The parsers on their own, on the whole input.
  const std::span<const uint8_t> bytes(data, size);
  Header header;
  if (ParseHeader(bytes, &header)) {
    BindAck ack;
    ParseBindAck(bytes, &ack);
    ResponseFragment fragment;
    ParseResponseFragment(bytes, header, &fragment);
  }
  // The client reading a stream of fragments. Call ids are 1 (bind) and 2
  // (the call), so well-formed fragments get far.
  FuzzPipe pipe(data, size);
  RpcClient client(pipe);
  if (client.Bind(kSrvsvc) == 0) {
    std::vector<uint8_t> stub;
    const auto request = NetrServerGetInfoRequest(u"\\\\fuzz", 101);
    client.Call(kNetrServerGetInfo, request, &stub);
    if (stub.size() > kMaxResponseStub) __builtin_trap();
  }
  return 0;
}
