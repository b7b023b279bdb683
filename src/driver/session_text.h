// The session facts as the text report's standard error tells them: the line
// --verbose writes once the first connection has come about, and the warning
// that offered credentials went unused.
#pragma once

#include <optional>
#include <string>

#include "platform/session.h"

namespace winreach {

// The account the server took the logon for: "DOMAIN\name" (or
// "name@REALM"), "guest" or "anonymous"; empty when unknown.
std::wstring Identity(const SessionFacts& facts);

// "winreach: 10.1.2.3:445 SMB 3.1.1, signed, Kerberos as EXAMPLE\admin\n";
// whatever is unknown says so.
std::wstring SessionLine(const SessionFacts& facts);

// The warning when credentials were offered but the server took the logon
// as anonymous or as its guest; nullopt otherwise.
std::optional<std::wstring> UnusedCredentialsWarning(const SessionFacts& facts);

}  // namespace winreach
