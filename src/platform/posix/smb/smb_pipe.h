// A named pipe on the server's IPC$, opened by the SMB session and closed
// when dropped: the transport the RPC client talks through.
#pragma once

#include <cstdint>
#include <span>

#include "platform/posix/smb/smb_session.h"
#include "rpc/pipe_transport.h"

namespace winreach {

class SmbPipe : public rpc::PipeTransport {
 public:
  SmbPipe(SmbSession& session, _SMBCFILE* file) : session_(session), file_(file) {}
  ~SmbPipe() override;
  SmbPipe(const SmbPipe&) = delete;
  SmbPipe& operator=(const SmbPipe&) = delete;

  uint32_t Write(std::span<const uint8_t> bytes) override;
  uint32_t Read(std::span<uint8_t> out) override;

 private:
  SmbSession& session_;
  _SMBCFILE* file_;
};

}  // namespace winreach
