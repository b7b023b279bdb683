// The session area on Linux: the facts of the SMB session's first logon,
// and its connection, pipes and shares made ahead of the checks.
#pragma once

#include <optional>
#include <string_view>

#include "platform/posix/smb/smb_session.h"
#include "platform/session.h"

namespace winreach {

class SmbSessionInfo : public Session {
 public:
  explicit SmbSessionInfo(SmbSession& session) : session_(session) {}
  std::optional<SessionFacts> FirstConnection() override {
    return session_.FirstConnection();
  }
  // The connection, the logon, and what the remote checks will surely ask
  // of it: the pipes of the management, registry and services areas, bound,
  // and the ADMIN$ share, on which the file check opens a file.
  void Connect(std::wstring_view machine) override;

 private:
  SmbSession& session_;
};

}  // namespace winreach
