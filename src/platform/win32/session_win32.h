// The session facts on Windows: the system makes and keeps the connections
// the checks' calls need, with the rights of the user who runs the tool, and
// the calls made here do not tell the dialect, the protection, the logon
// method or the account the server took. So every fact is unknown, and no
// credentials are ever offered by the tool itself.
#pragma once

#include <optional>

#include "platform/session.h"

namespace winreach {

class Win32Session : public Session {
 public:
  std::optional<SessionFacts> FirstConnection() override { return SessionFacts{}; }
};

}  // namespace winreach
