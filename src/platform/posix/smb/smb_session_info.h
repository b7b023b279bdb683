// The session area on Linux: the facts of the SMB session's first logon,
// and its connection made ahead of the checks.
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
  void Connect(std::wstring_view machine) override { session_.Prepare(SmbHostOf(machine)); }

 private:
  SmbSession& session_;
};

}  // namespace winreach
