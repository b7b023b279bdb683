// Files on the server's shares, opened read-only over the SMB session.
#pragma once

#include <cstdint>
#include <set>

#include "platform/files.h"
#include "platform/posix/smb/smb_session.h"

namespace winreach {

class SmbFiles : public Files {
 public:
  explicit SmbFiles(SmbSession& session) : session_(session) {}
  ~SmbFiles() override;
  FileHandle Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                  uint32_t disposition, uint32_t flags) override;
  bool Close(FileHandle file) override;

 private:
  SmbSession& session_;
  std::set<FileHandle> files_;
};

}  // namespace winreach
