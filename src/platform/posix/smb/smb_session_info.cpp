#include "platform/posix/smb/smb_session_info.h"

#include "platform/posix/smb/bound_pipe.h"

namespace winreach {

void SmbSessionInfo::Connect(std::wstring_view machine) {
  std::vector<SmbSession::PipeAhead> pipes;
  for (const PipeInterface& pipe : {kSrvsvcPipe, kWinregPipe, kSvcctlPipe}) {
    pipes.push_back({pipe.pipe, rpc::RpcClient::FirstBindPdu(pipe.interface)});
  }
  const std::u16string_view shares[] = {u"ADMIN$"};
  session_.Prepare(SmbHostOf(machine), pipes, shares);
}

}  // namespace winreach
