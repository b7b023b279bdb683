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
#include "rpc/srvsvc.h"
#include "rpc/svcctl.h"
#include "rpc/winreg.h"

namespace winreach {

struct BoundPipe {
  std::unique_ptr<rpc::PipeTransport> pipe;
  std::unique_ptr<rpc::RpcClient> client;

  // Calls `opnum`, whose outputs are a context handle and a status: the
  // transport's or the protocol's failure, or else the call's status.
  uint32_t CallForHandle(uint16_t opnum, std::span<const uint8_t> request,
                         rpc::ContextHandle* handle);
};

// A named pipe and the interface bound on it.
struct PipeInterface {
  std::string_view pipe;
  rpc::SyntaxId interface;
};
inline constexpr PipeInterface kSrvsvcPipe{"srvsvc", rpc::kSrvsvc};
inline constexpr PipeInterface kWinregPipe{"winreg", rpc::kWinreg};
inline constexpr PipeInterface kSvcctlPipe{"svcctl", rpc::kSvcctl};

// Opens the pipe on the server that `machine` ("\\host" or "host") names
// and binds its interface: 0 or the Windows code.
uint32_t OpenBoundPipe(SmbSession& session, std::wstring_view machine, const PipeInterface& pipe,
                       BoundPipe* result);

}  // namespace winreach
