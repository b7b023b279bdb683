// The session facts on Windows: the system makes and keeps the connections
// the checks' calls need, with the rights of the user who runs the tool, and
// the calls made here do not tell the dialect, the protection, the logon
// method or the account the server took. So every fact is unknown, and no
// credentials are ever offered by the tool itself.
#pragma once

#include <optional>
#include <string_view>

#include "platform/session.h"

namespace winreach {

class Win32Session : public Session {
 public:
  std::optional<SessionFacts> FirstConnection() override { return SessionFacts{}; }

  // Nothing ahead: the system connects inside each call, and a connection
  // made beforehand (WNetAddConnection2 to IPC$) would be a connection of
  // the user's own that changes what later calls answer (1219 under other
  // credentials), not only when they answer.
  void Connect(std::wstring_view) override {}
};

}  // namespace winreach
