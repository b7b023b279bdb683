// --explain: the verdict the checks' outcomes add up to, and for each failed
// check what its code means, the likely cause in that check's context and
// what to look at next.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/outcome.h"
#include "platform/session.h"
#include "platform/system.h"

namespace winreach {

struct Verdict {
  std::string kind;   // "administrable", "access_denied", "partly", "logon_refused", ...
  std::wstring text;  // one sentence, without the "Verdict: " before it
};

struct Explanation {
  std::wstring title;      // "Server information level 503"
  std::wstring code_text;  // "code 0000007C (124)", "code 0x23", "no code"
  std::wstring meaning;    // on Windows the system's own text where it has one
  std::wstring cause;
  std::wstring next;
  bool expected = false;  // harmless: does not count against the verdict
};

struct RunExplanation {
  Verdict verdict;
  std::vector<Explanation> items;  // one per distinct (check, code) that failed, in run order
  std::vector<int> item_of;        // per outcome: its item, or -1 when it passed
};

// `session`: the first connection's facts, when one was made.
RunExplanation ExplainRun(const std::vector<CheckOutcome>& outcomes,
                          const std::optional<SessionFacts>& session, System& system);

// The text report's section: a blank line, the verdict line, then each item
// in a few lines folded to the terminal's usual width.
std::wstring ExplanationText(const RunExplanation& explanation);

}  // namespace winreach
