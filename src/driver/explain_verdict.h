// What a run's outcomes proved, and the verdict they add up to: the part of
// --explain that must never claim more than a check showed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/outcome.h"
#include "driver/explain.h"
#include "driver/explanation_table.h"
#include "platform/session.h"
#include "platform/system.h"

namespace winreach {

struct RunFacts {
  bool started = true;            // this computer's network layer started
  bool resolved = true;           // the name resolved
  bool pinged = false;            // the computer answered the ping
  bool netbios_answered = false;  // it answered the NetBIOS query
  // A server answered: an SMB check passed, or got a code only a server
  // gives (OnlyAServerGives). Never concluded from a code not known.
  bool server_answered = false;
  // No server proved, and the first SMB check that failed ran out of time:
  // a server that took the connection and stopped answering, or a network
  // that drops packets, rather than silence.
  bool stalled = false;
  bool remote_passed = false;       // some SMB check passed
  bool admin_share_passed = false;  // ADMIN$ let the account in
  bool admin_passed = false;        // ADMIN$ or the service manager did
  LogonAccount account = LogonAccount::kUnknown;
  bool kerberos = false;  // the logon was Kerberos: a domain account
  RemoteLogon logon = RemoteLogon::kProgram;
};

// "a", "a and b", "a, b and c".
std::wstring JoinAnd(const std::vector<std::wstring>& parts);

// The checks that talk SMB to the remote computer.
bool IsRemote(std::string_view check);

// Whether only a server that answered can have given `code` to an SMB check.
bool OnlyAServerGives(uint32_t code);

RunFacts GatherFacts(const std::vector<CheckOutcome>& outcomes,
                     const std::optional<SessionFacts>& session, RemoteLogon logon);

// The explanation table's conditions that hold in a run with these facts.
RowWhen ConditionsOf(const RunFacts& facts);

// `expected`: per outcome, whether its failure is harmless.
Verdict Judge(const std::vector<CheckOutcome>& outcomes, const std::vector<bool>& expected,
              const RunFacts& facts);

}  // namespace winreach
