#include "driver/explain_verdict.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/format.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// The logon's refusals, each with the reason the verdict gives after "the
// server answered, but refused the logon: ".
const wchar_t* LogonRefusal(uint32_t code, RemoteLogon logon) {
  switch (code) {
    case status::kLogonFailure:
      return L"unknown user name or bad password (1326)";
    case status::kInvalidPassword:
      return L"the password is not correct (86)";
    case status::kNoSuchUser:
      return L"it knows no such account (1317)";
    case status::kAccountRestriction:
      return L"account restrictions, such as a blank password or a policy that refuses NTLM "
             L"to the account (1327)";
    case status::kInvalidLogonHours:
      return L"the account may not log on at this hour (1328)";
    case status::kInvalidWorkstation:
      return L"the account may not log on from this computer (1329)";
    case status::kPasswordExpired:
      return L"the password has expired (1330)";
    case status::kAccountDisabled:
      return L"the account is disabled (1331)";
    case status::kNoLogonServers:
      return L"it could reach no domain controller to check the account (1311)";
    case status::kLogonTypeNotGranted:
      return L"the account may not log on over the network there (1385)";
    case status::kWrongTargetName:
      return L"the Kerberos ticket is for another account than the computer's (1396)";
    case status::kTimeSkew:
      return L"the clocks of this computer and the server differ too much for Kerberos "
             L"(1398)";
    case status::kTrustedRelationshipFailure:
      return L"its trust with its domain is broken (1789)";
    case status::kAccountExpired:
      return L"the account has expired (1793)";
    case status::kPasswordMustChange:
      return L"the password must be changed first (1907)";
    case status::kAccountLockedOut:
      return L"the account is locked out (1909)";
    case status::kSmbGuestLogonBlocked:
      return L"it answered that it took the account for its guest, and a guest logon is "
             L"blocked where credentials were offered (1272)";
    case status::kNtlmBlocked:
      return logon == RemoteLogon::kSystem
                 ? L"NTLM is blocked, by its policy or this computer's own, and Kerberos was "
                   L"not used (1937)"
                 : L"it allows no NTLM logon, and no Kerberos ticket was used (1937)";
    default:
      return nullptr;
  }
}

// One administrative area that failed, and how.
struct FailedPart {
  std::wstring label;
  bool plural = false;
  std::vector<uint32_t> codes;
};

// The areas the administrative checks cover, with what failed in each.
std::vector<FailedPart> FailedParts(const std::vector<CheckOutcome>& outcomes,
                                    const std::vector<bool>& expected) {
  std::vector<std::wstring> levels;
  std::vector<uint32_t> level_codes, key_codes;
  std::vector<FailedPart> parts;
  size_t keys = 0;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const CheckOutcome& outcome = outcomes[i];
    if (outcome.ok || expected[i] || !IsRemote(outcome.check)) continue;
    const uint32_t code = outcome.code.value_or(0);
    if (StartsWith(outcome.check, "server_info_")) {
      levels.push_back(Wide(outcome.check.substr(12)));
      level_codes.push_back(code);
    } else if (StartsWith(outcome.check, "registry_")) {
      ++keys;
      key_codes.push_back(code);
    } else if (outcome.check == "registry") {
      parts.push_back({L"the registry", false, {code}});
    } else if (outcome.check == "admin_share") {
      parts.push_back({L"ADMIN$", false, {code}});
    } else {
      parts.push_back({L"the service manager", false, {code}});
    }
  }
  if (keys > 0) {
    parts.insert(
        parts.begin() + (parts.empty() || parts.front().label != L"the registry" ? 0 : 1),
        {keys == 1 ? L"a registry key" : Unsigned(static_cast<uint32_t>(keys)) + L" registry keys",
         keys > 1, key_codes});
  }
  if (!levels.empty()) {
    parts.insert(parts.begin(), {(levels.size() == 1 ? L"server information level "
                                                     : L"server information levels ") +
                                     JoinAnd(levels),
                                 false, level_codes});
  }
  return parts;
}

// The code most of the failed SMB checks got (the first of those tied), or
// nothing when none failed with a code.
std::optional<uint32_t> CommonRemoteCode(const std::vector<CheckOutcome>& outcomes,
                                         const std::vector<bool>& expected) {
  std::vector<std::pair<uint32_t, int>> counts;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const CheckOutcome& outcome = outcomes[i];
    if (outcome.ok || expected[i] || !IsRemote(outcome.check) || !outcome.code) continue;
    auto found = std::find_if(counts.begin(), counts.end(),
                              [&](const auto& count) { return count.first == *outcome.code; });
    if (found == counts.end()) {
      counts.emplace_back(*outcome.code, 1);
    } else {
      ++found->second;
    }
  }
  if (counts.empty()) return std::nullopt;
  return std::max_element(counts.begin(), counts.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

}  // namespace

std::wstring JoinAnd(const std::vector<std::wstring>& parts) {
  std::wstring text;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += i + 1 == parts.size() ? L" and " : L", ";
    text += parts[i];
  }
  return text;
}

bool IsRemote(std::string_view check) {
  return StartsWith(check, "server_info_") || StartsWith(check, "registry") ||
         check == "admin_share" || check == "scm";
}

bool OnlyAServerGives(uint32_t code) {
  switch (code) {
    // A refusal, or a status the server sent about what was asked of it:
    // access denied, a share, path, key, level or request it does not have
    // or serve, a name it does not take as its own, a resource it is out
    // of, a success that handed back nothing. No code here comes from this
    // computer alone.
    case status::kSuccess:
    case status::kInvalidFunction:
    case status::kFileNotFound:
    case status::kPathNotFound:
    case status::kAccessDenied:
    case status::kSharingViolation:
    case status::kHandleEof:
    case status::kDuplicateName:
    case status::kNetworkBusy:
    case status::kNetworkAccessDenied:
    case status::kBadDeviceType:
    case status::kBadNetName:
    case status::kRequestNotAccepted:
    case status::kInvalidName:
    case status::kInvalidLevel:
    case status::kAlreadyExists:
    case status::kMoreData:
    case status::kDirectory:
    case status::kIoPending:
    // The connection was taken: the negotiation found no dialect in common
    // (this program's client), the server dropped the session it had taken
    // or could not perform it (Windows' client against an SMB1-only server
    // or one that does not sign), or its answer broke the protocol.
    case status::kNotSupported:
    case status::kBadNetResponse:
    case status::kUnexpectedNetError:
    case status::kNetNameDeleted:
    case status::kDowngradeDetected:
    // A named pipe the server opened, then its service's state.
    case status::kBrokenPipe:
    case status::kBadPipe:
    case status::kPipeBusy:
    case status::kNoData:
    case status::kPipeNotConnected:
    // The logon's refusals: they follow the server's answer to the
    // negotiation, whoever refused then.
    case status::kInvalidPassword:
    case status::kSmbGuestLogonBlocked:
    case status::kNoLogonServers:
    case status::kNoSuchUser:
    case status::kLogonFailure:
    case status::kAccountRestriction:
    case status::kInvalidLogonHours:
    case status::kInvalidWorkstation:
    case status::kPasswordExpired:
    case status::kAccountDisabled:
    case status::kLogonTypeNotGranted:
    case status::kWrongTargetName:
    case status::kTimeSkew:
    case status::kTrustedRelationshipFailure:
    case status::kAccountExpired:
    case status::kPasswordMustChange:
    case status::kAccountLockedOut:
    case status::kNtlmBlocked:
    // An RPC server's answer: a bind or call it refused or broke, or a
    // call on a binding it had accepted that failed.
    case status::kRpcUnknownInterface:
    case status::kRpcServerTooBusy:
    case status::kRpcCallFailed:
    case status::kRpcProtocolError:
    case status::kRpcUnsupportedTransferSyntax:
      return true;
    // Everything else may come from this computer or the network alone:
    // silence (53, 1722), a run or call out of time (121), no route (1231,
    // 1232), this computer's own client (2138, 1219), its own failures (8,
    // 87, 161, ...), or a code not known.
    default:
      return false;
  }
}

RunFacts GatherFacts(const std::vector<CheckOutcome>& outcomes,
                     const std::optional<SessionFacts>& session, RemoteLogon logon) {
  RunFacts facts;
  facts.logon = logon;
  if (session) {
    facts.account = session->account;
    facts.kerberos = session->method == LogonMethod::kKerberos;
  }
  std::optional<uint32_t> first_remote_failure;
  for (const CheckOutcome& outcome : outcomes) {
    if (outcome.check == "startup") facts.started = false;
    if (outcome.check == "resolve") facts.resolved = outcome.ok;
    if (outcome.check == "ping") facts.pinged = outcome.ok;
    if (outcome.check == "netbios") facts.netbios_answered = outcome.ok;
    if (!IsRemote(outcome.check)) continue;
    if (outcome.ok) {
      facts.remote_passed = facts.server_answered = true;
      if (outcome.check == "admin_share") facts.admin_share_passed = true;
      if (outcome.check == "admin_share" || outcome.check == "scm") facts.admin_passed = true;
    } else if (outcome.code && OnlyAServerGives(*outcome.code)) {
      facts.server_answered = true;
    }
    if (!outcome.ok && !first_remote_failure) first_remote_failure = outcome.code.value_or(0);
  }
  facts.stalled = !facts.server_answered && first_remote_failure == status::kSemTimeout;
  return facts;
}

RowWhen ConditionsOf(const RunFacts& facts) {
  RowWhen holds =
      facts.logon == RemoteLogon::kSystem ? RowWhen::kSystemLogon : RowWhen::kProgramLogon;
  const auto add = [&](bool fact, RowWhen when) {
    if (fact) holds = holds | when;
  };
  add(facts.server_answered, RowWhen::kServerAnswered);
  add(facts.pinged, RowWhen::kPingAnswered);
  add(facts.netbios_answered, RowWhen::kNetbiosAnswered);
  add(!facts.resolved, RowWhen::kUnresolved);
  add(facts.account == LogonAccount::kGuest, RowWhen::kAsGuest);
  add(facts.account == LogonAccount::kAnonymous, RowWhen::kAnonymous);
  const bool own = facts.account == LogonAccount::kNamed || facts.account == LogonAccount::kUnknown;
  add(own, RowWhen::kOwnAccount);
  // UAC filters local accounts only: not a Kerberos (domain) logon, and not
  // one that ADMIN$ or the service manager let in.
  add(own && !facts.kerberos && !facts.admin_passed, RowWhen::kMayBeFiltered);
  add(facts.admin_passed, RowWhen::kAdminPassed);
  add(facts.admin_share_passed, RowWhen::kAdminSharePassed);
  return holds;
}

Verdict Judge(const std::vector<CheckOutcome>& outcomes, const std::vector<bool>& expected,
              const RunFacts& facts) {
  if (!facts.started) {
    return {"not_started",
            L"this computer could not start its network layer, so nothing was checked"};
  }
  // What most SMB checks got when none passed (0: none failed with a code).
  const uint32_t common =
      facts.remote_passed ? 0 : CommonRemoteCode(outcomes, expected).value_or(0);
  if (!facts.server_answered) {
    if (!facts.resolved)
      return {"unresolved", L"the name did not resolve, so no check reached a computer"};
    // This computer's own client refused before anything was sent.
    if (common == status::kWorkstationNotStarted) {
      return {"not_started",
              L"this computer's SMB client (the Workstation service) is not started, so no SMB "
              L"check reached the computer (2138)"};
    }
    if (common == status::kSessionCredentialConflict) {
      return {"logon_refused",
              L"this computer refused the logon: it already has a connection to the computer "
              L"under other credentials (1219)"};
    }
    if (facts.stalled) {
      return {"stalled",
              L"no SMB check got an answer in time (121): often a server that takes the "
              L"connection and then stops answering, an overloaded server, or a network that "
              L"drops packets"};
    }
    if (facts.pinged) {
      return {"no_smb_server",
              L"the computer answers ping, but no SMB server answered on ports 445 or 139"};
    }
    if (facts.netbios_answered) {
      return {"netbios_only",
              L"the computer answers NetBIOS, so it is on, but no SMB server answered on ports "
              L"445 or 139: often its firewall blocks File and Printer Sharing (SMB-In), or its "
              L"Server service is stopped"};
    }
    return {"no_answer",
            L"no SMB server answered on ports 445 or 139, and the computer does not answer "
            L"ping: it is off, unreachable from here, or a firewall drops everything"};
  }
  // No SMB check passed: what most of them got tells a refused logon, or
  // no dialect in common (this program's client says so by 50).
  if (const wchar_t* why = LogonRefusal(common, facts.logon)) {
    return {"logon_refused", std::wstring(L"the server answered, but refused the logon: ") + why};
  }
  if (common == status::kNotSupported && facts.logon == RemoteLogon::kProgram) {
    return {"no_common_dialect",
            L"the server answered, but has no SMB dialect in common with this program: often it "
            L"speaks only SMB1 (50)"};
  }
  const std::vector<FailedPart> parts = FailedParts(outcomes, expected);
  if (parts.empty()) return {"administrable", L"remote administration works"};

  std::vector<std::wstring> labels;
  bool all_denied = true;
  for (const FailedPart& part : parts) {
    labels.push_back(part.label);
    for (uint32_t code : part.codes) all_denied = all_denied && code == status::kAccessDenied;
  }
  // An account that ADMIN$ or the service manager let in administers the
  // computer: what else refuses it is told part by part.
  if (all_denied && !facts.admin_passed) {
    const bool plural = parts.size() > 1 || parts.front().plural;
    std::wstring text = L"reachable, but this account may not administer it (" + JoinAnd(labels) +
                        (plural ? L" refuse" : L" refuses") + L" it: access denied)";
    if (facts.account == LogonAccount::kGuest) text += L"; the server took the logon as its guest";
    if (facts.account == LogonAccount::kAnonymous) text += L"; the checks ran anonymously";
    return {"access_denied", text};
  }
  std::vector<std::wstring> reasons;
  for (const FailedPart& part : parts) {
    std::vector<uint32_t> codes = part.codes;
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    std::vector<std::wstring> shown;
    for (uint32_t code : codes) {
      shown.push_back(code == status::kAccessDenied ? L"access denied" : L"error " + Hex8(code));
    }
    reasons.push_back(part.label + L": " + JoinAnd(shown));
  }
  std::wstring list;
  for (const std::wstring& reason : reasons) list += (list.empty() ? L"" : L"; ") + reason;
  return {"partly", L"reachable, but remote administration fails in part (" + list + L")"};
}

}  // namespace winreach
