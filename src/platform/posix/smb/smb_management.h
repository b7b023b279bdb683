// Server information (NetServerGetInfo) over srvsvc on the SMB session.
#pragma once

#include <cstdint>

#include "platform/management.h"
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
  SmbSession& session_;
  HandleTable<uint8_t, BlockDeleter> blocks_;  // handed out, not yet freed
};

}  // namespace winreach
