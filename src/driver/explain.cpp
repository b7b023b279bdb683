#include "driver/explain.h"

#include <algorithm>
#include <utility>

#include "driver/explain_verdict.h"
#include "driver/explanation_table.h"
#include "platform/format.h"

namespace winreach {

namespace {

constexpr size_t kWidth = 79;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
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
  const RunFacts facts = GatherFacts(outcomes, session, system.RemoteLogonBy());
  const RowWhen holds = ConditionsOf(facts);

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
    const CodeKnowledge knowledge = LookUp(outcome.check, Context(outcome), outcome.code, holds);
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
  run.verdict = Judge(outcomes, expected, facts);
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
