#include "rpc/rpc_client.h"

#include "platform/bytes.h"
#include "platform/status_codes.h"
#include "rpc/rpc_status.h"

namespace winreach::rpc {

uint32_t RpcClient::ReadFragment(std::vector<uint8_t>* fragment, Header* header) {
  fragment->assign(kHeaderSize, 0);
  if (const uint32_t error = pipe_.Read(*fragment); error != 0) return error;
  if (!ParseHeader(*fragment, header)) return status::kRpcProtocolError;
  fragment->resize(header->fragment_length);
  return pipe_.Read(std::span<uint8_t>(*fragment).subspan(kHeaderSize));
}

uint32_t RpcClient::Bind(const SyntaxId& interface) {
  const uint32_t call_id = next_call_id_++;
  if (const uint32_t error = pipe_.Write(BindPdu(call_id, interface)); error != 0) return error;
  std::vector<uint8_t> fragment;
  Header header;
  if (const uint32_t error = ReadFragment(&fragment, &header); error != 0) return error;
  if (header.call_id != call_id) return status::kRpcProtocolError;
  if (header.type == PacketType::kBindNak) {
    ByteReader nak(fragment);
    nak.Skip(kHeaderSize);
    const uint16_t reason = nak.U16Le();
    return nak.ok() ? Win32FromBindNak(reason) : status::kRpcProtocolError;
  }
  BindAck ack;
  if (!ParseBindAck(fragment, &ack)) return status::kRpcProtocolError;
  if (ack.result != 0) return Win32FromBindRejection(ack.reason);
  if (ack.transfer_syntax != kNdrTransferSyntax) return status::kRpcProtocolError;
  max_transmit_ = ack.max_transmit < kMaxFragment ? ack.max_transmit : kMaxFragment;
  bound_ = true;
  return 0;
}

uint32_t RpcClient::Call(uint16_t opnum, std::span<const uint8_t> request,
                         std::vector<uint8_t>* response) {
  response->clear();
  if (!bound_) return status::kRpcProtocolError;
  const uint32_t call_id = next_call_id_++;
  for (const auto& pdu : RequestPdus(call_id, opnum, request, max_transmit_)) {
    if (const uint32_t error = pipe_.Write(pdu); error != 0) return error;
  }
  const uint32_t result = ReadResponse(call_id, response);
  // After a transport failure or a malformed answer the pipe's stream can no
  // longer be trusted: later calls fail rather than read someone else's bytes.
  if (result != 0 && !fault_) bound_ = false;
  return result;
}

uint32_t RpcClient::ReadResponse(uint32_t call_id, std::vector<uint8_t>* response) {
  fault_ = false;
  std::vector<uint8_t> fragment;
  size_t fragments = 0;
  size_t bytes = 0;
  for (bool first = true;; first = false) {
    Header header;
    if (const uint32_t error = ReadFragment(&fragment, &header); error != 0) return error;
    // Every fragment counts, those without stub data too.
    bytes += fragment.size();
    if (++fragments > kMaxResponseFragments || bytes > kMaxResponseBytes) {
      return status::kRpcProtocolError;
    }
    if (header.call_id != call_id) return status::kRpcProtocolError;
    ResponseFragment part;
    if (!ParseResponseFragment(fragment, header, &part)) return status::kRpcProtocolError;
    if (part.fault) {
      response->clear();
      fault_ = true;
      return Win32FromFault(part.fault_status);
    }
    // The first fragment says it is first, and no later one does.
    if (first != ((header.flags & kFirstFragment) != 0)) return status::kRpcProtocolError;
    if (part.stub.size() > kMaxResponseStub - response->size()) return status::kRpcProtocolError;
    response->insert(response->end(), part.stub.begin(), part.stub.end());
    if (header.flags & kLastFragment) return 0;
  }
}

}  // namespace winreach::rpc
