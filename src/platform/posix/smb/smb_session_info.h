// The session area on Linux: the facts of the SMB session's first logon.
#pragma once

#include <optional>

#include "platform/posix/smb/smb_session.h"
#include "platform/session.h"

namespace winreach {

class SmbSessionInfo : public Session {
 public:
  explicit SmbSessionInfo(SmbSession& session) : session_(session) {}
  std::optional<SessionFacts> FirstConnection() override {
    return session_.FirstConnection();
  }

 private:
  SmbSession& session_;
};

}  // namespace winreach
