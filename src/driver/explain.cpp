#include "driver/explain.h"

#include <algorithm>
#include <utility>

#include "driver/explanation_table.h"
#include "platform/format.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

constexpr size_t kWidth = 79;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsRemote(std::string_view check) {
  return StartsWith(check, "server_info_") || StartsWith(check, "registry") ||
         check == "admin_share" || check == "scm";
}

// Codes that tell that no server answered at all.
bool IsSilence(uint32_t code) {
  return code == status::kBadNetPath || code == status::kRpcServerUnavailable ||
         code == status::kSemTimeout;
}

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

const std::wstring* Detail(const CheckOutcome& outcome, std::string_view key) {
  for (const auto& [name, value] : outcome.detail) {
    if (name == key) return std::get_if<std::wstring>(&value);
  }
  return nullptr;
}

// The table's context: the ping through the ICMP helper prints IP statuses.
std::string Context(const CheckOutcome& outcome) {
  if (outcome.check == "ping") {
    const std::wstring* method = Detail(outcome, "method");
    if (method != nullptr && *method == L"library") return "ping:library";
  }
  return outcome.check;
}

std::wstring Title(std::string_view check) {
  static constexpr std::pair<std::string_view, const wchar_t*> kTitles[] = {
      {"startup", L"Windows Sockets start"},
      {"resolve", L"Name resolution"},
      {"netbios", L"NetBIOS adapter status"},
      {"ping", L"Ping"},
      {"registry", L"Remote registry connection"},
      {"registry_current_version", L"Registry key CurrentVersion (read)"},
      {"registry_winlogon_read", L"Registry key Winlogon (read)"},
      {"registry_winlogon_full", L"Registry key Winlogon (full access)"},
      {"registry_computer_name", L"Registry key ComputerName (read)"},
      {"registry_tcpip", L"Registry key TcpIp\\Parameters (read)"},
      {"admin_share", L"ADMIN$ share"},
      {"scm", L"Service control manager"},
  };
  for (const auto& [id, title] : kTitles) {
    if (id == check) return title;
  }
  if (StartsWith(check, "server_info_")) {
    return L"Server information level " + Wide(check.substr(12));
  }
  return Wide(check);
}

std::wstring CodeText(const CheckOutcome& outcome) {
  if (!outcome.code) return L"no code";
  const uint32_t code = *outcome.code;
  if (outcome.check == "netbios") return L"code 0x" + Wide(HexLower8(code));
  return L"code " + Hex8(code) + L" (" + Unsigned(code) + L")";
}

RowWhen AccountOf(const std::optional<SessionFacts>& session) {
  if (!session) return RowWhen::kAlways;
  switch (session->account) {
    case LogonAccount::kGuest:
      return RowWhen::kAsGuest;
    case LogonAccount::kAnonymous:
      return RowWhen::kAnonymous;
    case LogonAccount::kNamed:
      return RowWhen::kAsNamed;
    case LogonAccount::kUnknown:
      break;
  }
  return RowWhen::kAlways;
}

// "a", "a and b", "a, b and c".
std::wstring JoinAnd(const std::vector<std::wstring>& parts) {
  std::wstring text;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += i + 1 == parts.size() ? L" and " : L", ";
    text += parts[i];
  }
  return text;
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

std::optional<Verdict> LogonRefused(uint32_t code) {
  // The server answered and refused the logon, for the reason that follows.
  const auto refused = [](const wchar_t* why) {
    return Verdict{"logon_refused",
                   std::wstring(L"the server answered, but refused the logon: ") + why};
  };
  switch (code) {
    case status::kLogonFailure:
      return refused(L"unknown user name or bad password (1326)");
    case status::kPasswordExpired:
      return refused(L"the password has expired (1330)");
    case status::kAccountDisabled:
      return refused(L"the account is disabled (1331)");
    case status::kAccountLockedOut:
      return refused(L"the account is locked out (1909)");
    case status::kNtlmBlocked:
      return Verdict{"logon_refused",
                     L"the server answered, but refuses NTLM logons, and no Kerberos ticket "
                     L"was used (1937)"};
    case status::kNotSupported:
      return Verdict{"no_common_dialect",
                     L"the server answered, but has no SMB dialect in common with this "
                     L"program: often it speaks only SMB1 (50)"};
    default:
      return std::nullopt;
  }
}

Verdict Judge(const std::vector<CheckOutcome>& outcomes, const std::vector<bool>& expected,
              bool server_answered, RowWhen account) {
  bool resolved = true, pinged = false, remote_passed = false;
  for (const CheckOutcome& outcome : outcomes) {
    if (outcome.check == "startup") {
      return {"not_started",
              L"this computer could not start its network layer, so nothing was checked"};
    }
    if (outcome.check == "resolve") resolved = outcome.ok;
    if (outcome.check == "ping") pinged = outcome.ok;
    if (IsRemote(outcome.check) && outcome.ok) remote_passed = true;
  }
  if (!server_answered) {
    if (!resolved)
      return {"unresolved", L"the name did not resolve, so no check reached a computer"};
    if (pinged) {
      return {"no_smb_server",
              L"the computer answers ping, but no SMB server answered on ports 445 or 139"};
    }
    return {"no_answer",
            L"no SMB server answered on ports 445 or 139, and the computer does not answer "
            L"ping: it is off, unreachable from here, or a firewall drops everything"};
  }
  if (!remote_passed) {
    for (const CheckOutcome& outcome : outcomes) {
      if (!IsRemote(outcome.check) || !outcome.code) continue;
      if (auto refused = LogonRefused(*outcome.code)) return *refused;
    }
  }
  const std::vector<FailedPart> parts = FailedParts(outcomes, expected);
  if (parts.empty()) return {"administrable", L"remote administration works"};

  std::vector<std::wstring> labels;
  bool all_denied = true;
  for (const FailedPart& part : parts) {
    labels.push_back(part.label);
    for (uint32_t code : part.codes) all_denied = all_denied && code == status::kAccessDenied;
  }
  if (all_denied) {
    const bool plural = parts.size() > 1 || parts.front().plural;
    std::wstring text = L"reachable, but this account may not administer it (" + JoinAnd(labels) +
                        (plural ? L" refuse" : L" refuses") + L" it: access denied)";
    if (account == RowWhen::kAsGuest) text += L"; the server took the logon as its guest";
    if (account == RowWhen::kAnonymous) text += L"; the checks ran anonymously";
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

// "Server information level 100" and "... level 101" as "Server information
// levels 100 and 101", in the first one's place.
std::vector<std::wstring> MergeLevels(const std::vector<std::wstring>& titles) {
  static constexpr std::wstring_view kLevel = L"Server information level ";
  std::vector<std::wstring> levels, merged;
  size_t first = titles.size();
  for (size_t i = 0; i < titles.size(); ++i) {
    if (std::wstring_view(titles[i]).substr(0, kLevel.size()) == kLevel) {
      if (first == titles.size()) first = merged.size();
      levels.push_back(titles[i].substr(kLevel.size()));
    } else {
      merged.push_back(titles[i]);
    }
  }
  if (levels.size() == 1) {
    merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(first),
                  std::wstring(kLevel) + levels.front());
  } else if (levels.size() > 1) {
    merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(first),
                  L"Server information levels " + JoinAnd(levels));
  }
  return merged;
}

// `text` folded at word boundaries to kWidth columns, the first line after
// `lead`, the others indented by `indent` blanks.
std::wstring Fold(std::wstring_view lead, std::wstring_view text, size_t indent) {
  std::wstring out(lead);
  size_t column = lead.size();
  size_t at = 0;
  bool first_word = true;
  while (at < text.size()) {
    const size_t end = std::min(text.find(L' ', at), text.size());
    const std::wstring_view word = text.substr(at, end - at);
    if (!word.empty()) {
      if (!first_word && column + 1 + word.size() > kWidth) {
        out += L"\n" + std::wstring(indent, L' ');
        column = indent;
      } else if (!first_word) {
        out += L' ';
        ++column;
      }
      out += word;
      column += word.size();
      first_word = false;
    }
    at = end + 1;
  }
  return out + L"\n";
}

}  // namespace

RunExplanation ExplainRun(const std::vector<CheckOutcome>& outcomes,
                          const std::optional<SessionFacts>& session, System& system) {
  LookupFacts facts;
  facts.account = AccountOf(session);
  for (const CheckOutcome& outcome : outcomes) {
    if (outcome.check == "resolve") facts.unresolved = !outcome.ok;
    if (outcome.check == "ping") facts.pinged = outcome.ok;
    if (!IsRemote(outcome.check)) continue;
    if (outcome.ok || (outcome.code && !IsSilence(*outcome.code))) facts.server_answered = true;
  }

  RunExplanation run;
  std::vector<bool> expected(outcomes.size(), false);
  std::vector<std::pair<std::string, std::optional<uint32_t>>> seen;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const CheckOutcome& outcome = outcomes[i];
    if (outcome.ok) {
      run.item_of.push_back(-1);
      continue;
    }
    const auto key = std::make_pair(outcome.check, outcome.code);
    const auto found = std::find(seen.begin(), seen.end(), key);
    if (found != seen.end()) {
      const auto item = static_cast<size_t>(found - seen.begin());
      run.item_of.push_back(static_cast<int>(item));
      expected[i] = run.items[item].expected;
      continue;
    }
    const CodeKnowledge knowledge = LookUp(outcome.check, Context(outcome), outcome.code, facts);
    std::wstring own(knowledge.meaning);
    if (own.empty()) own = L"A code this program has no description of.";
    Explanation item;
    item.title = Title(outcome.check);
    item.code_text = CodeText(outcome);
    item.meaning =
        outcome.code && knowledge.system_code ? system.ErrorMessage(*outcome.code, own) : own;
    item.cause = knowledge.cause;
    item.next = knowledge.next;
    item.expected = knowledge.expected;
    expected[i] = item.expected;
    run.item_of.push_back(static_cast<int>(run.items.size()));
    run.items.push_back(std::move(item));
    seen.push_back(key);
  }
  run.verdict = Judge(outcomes, expected, facts.server_answered, facts.account);
  return run;
}

std::wstring ExplanationText(const RunExplanation& explanation) {
  std::wstring text = L"\n" + Fold(L"Verdict: ", explanation.verdict.text, 4);
  // Checks that failed alike are told together, under the first one's place.
  std::vector<bool> told(explanation.items.size(), false);
  for (size_t i = 0; i < explanation.items.size(); ++i) {
    if (told[i]) continue;
    const Explanation& item = explanation.items[i];
    std::vector<std::wstring> titles;
    for (size_t j = i; j < explanation.items.size(); ++j) {
      const Explanation& other = explanation.items[j];
      if (other.code_text != item.code_text || other.meaning != item.meaning ||
          other.cause != item.cause || other.next != item.next) {
        continue;
      }
      titles.push_back(other.title);
      told[j] = true;
    }
    text +=
        L"\n" + Fold(L"",
                     JoinAnd(MergeLevels(titles)) + L", " + item.code_text +
                         (item.expected ? L" (expected; not counted against the verdict):" : L":"),
                     4);
    text += Fold(L"  Meaning: ", item.meaning, 4);
    text += Fold(L"  Cause: ", item.cause, 4);
    text += Fold(L"  Next: ", item.next, 4);
  }
  return text;
}

}  // namespace winreach
