// Server information (NetServerGetInfo) over srvsvc on the SMB session.
#pragma once

#include <cstdint>
#include <string>

#include "platform/management.h"
#include "platform/posix/smb/bound_pipe.h"
#include "platform/posix/smb/handle_table.h"
#include "platform/posix/smb/smb_session.h"

namespace winreach {

class SmbManagement : public Management {
 public:
  explicit SmbManagement(SmbSession& session) : session_(session) {}
  uint32_t ServerGetInfo(std::wstring_view server, uint32_t level, uint8_t** buffer) override;
  uint32_t BufferFree(void* buffer) override;

 private:
  struct BlockDeleter {
    void operator()(uint8_t* block) const;
  };

  // The srvsvc pipe for `server`'s host, opened and bound on the first call
  // and kept for the next: 0, or the Windows code of the open or the bind.
  uint32_t Srvsvc(std::wstring_view server, BoundPipe** result);
  void DropSrvsvc();

  SmbSession& session_;
  HandleTable<uint8_t, BlockDeleter> blocks_;  // handed out, not yet freed
  // One bind serves every level asked of a host. A pipe whose call failed
  // or whose answer was malformed is dropped, never used again: it may be
  // out of step with the server.
  std::string srvsvc_host_;  // the host key the pipe is bound on
  BoundPipe srvsvc_;
};

}  // namespace winreach
