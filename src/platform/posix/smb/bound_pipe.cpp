#include "platform/posix/smb/bound_pipe.h"

#include <vector>

#include "platform/status_codes.h"

namespace winreach {

uint32_t BoundPipe::CallForHandle(uint16_t opnum, std::span<const uint8_t> request,
                                  rpc::ContextHandle* handle) {
  std::vector<uint8_t> answer;
  if (const uint32_t error = client->Call(opnum, request, &answer); error != 0) return error;
  uint32_t status = 0;
  if (!rpc::ParseHandleResponse(answer, handle, &status)) return status::kRpcProtocolError;
  return status;
}

uint32_t OpenBoundPipe(SmbSession& session, std::wstring_view machine, const PipeInterface& pipe,
                       BoundPipe* result) {
  uint32_t error = session.OpenPipe(SmbHostOf(machine), pipe.pipe, &result->pipe);
  if (error != 0) return error;
  result->client = std::make_unique<rpc::RpcClient>(*result->pipe);
  error = result->client->Bind(pipe.interface);
  if (error != 0) {
    result->client.reset();
    result->pipe.reset();
  }
  return error;
}

}  // namespace winreach
