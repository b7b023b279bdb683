// An RPC client bound to one interface on its own pipe of the SMB session:
// what the management, registry and services areas call through.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/posix/smb/smb_session.h"
#include "rpc/ndr.h"
#include "rpc/rpc_client.h"

namespace winreach {

struct BoundPipe {
  std::unique_ptr<rpc::PipeTransport> pipe;
  std::unique_ptr<rpc::RpcClient> client;

  // Calls `opnum`, whose outputs are a context handle and a status: the
  // transport's or the protocol's failure, or else the call's status.
  uint32_t CallForHandle(uint16_t opnum, std::span<const uint8_t> request,
                         rpc::ContextHandle* handle);
};

// Opens `pipe` on the server that `machine` ("\\host" or "host") names and
// binds `interface` on it: 0 or the Windows code.
uint32_t OpenBoundPipe(SmbSession& session, std::wstring_view machine, std::string_view pipe,
                       const rpc::SyntaxId& interface, BoundPipe* result);

}  // namespace winreach
