// A DCE/RPC client on one named pipe: one bind, then calls one at a time.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "rpc/pipe_transport.h"
#include "rpc/rpc_pdu.h"

namespace winreach::rpc {

// The most stub data one response may reassemble to; a server that claims
// more is not believed.
inline constexpr size_t kMaxResponseStub = 1 << 20;

// The most fragments, and whole-fragment bytes, one response may take:
// kMaxResponseStub fits in fragments of the size Windows sends (4280 bytes),
// our answers need a few, and a server that sends fragments without stub
// data (empty, or filled by an authentication trailer) cannot keep the
// client reading.
inline constexpr size_t kMaxResponseFragments = 256;
inline constexpr size_t kMaxResponseBytes = kMaxResponseStub + kMaxResponseFragments * 64;

class RpcClient {
 public:
  explicit RpcClient(PipeTransport& pipe) : pipe_(pipe) {}

  // The bind a new client sends first: what a pipe opened ahead of its
  // client sends on its behalf.
  static std::vector<uint8_t> FirstBindPdu(const SyntaxId& interface) {
    return BindPdu(kFirstCallId, interface);
  }

  // Binds the interface with the NDR transfer syntax: 0, or the Windows code.
  // An acceptance under another transfer syntax (NDR64) is a protocol error:
  // only NDR was offered, and only NDR is understood.
  uint32_t Bind(const SyntaxId& interface);

  // Sends one request and reassembles its response's stub data: 0, or the
  // Windows code (a fault's mapped status, a transport failure, or
  // RPC_S_PROTOCOL_ERROR for anything malformed).
  uint32_t Call(uint16_t opnum, std::span<const uint8_t> request, std::vector<uint8_t>* response);

 private:
  // Reads one whole fragment: its 16-byte header first, then exactly the
  // rest that the header announces.
  uint32_t ReadFragment(std::vector<uint8_t>* fragment, Header* header);

  uint32_t ReadResponse(uint32_t call_id, std::vector<uint8_t>* response);

  PipeTransport& pipe_;
  bool fault_ = false;  // the last answer was a well-formed fault
  static constexpr uint32_t kFirstCallId = 1;
  uint32_t next_call_id_ = kFirstCallId;
  uint16_t max_transmit_ = kMaxFragment;
  bool bound_ = false;
};

}  // namespace winreach::rpc
