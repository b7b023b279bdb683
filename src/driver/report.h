// The run's outcomes as a document for programs, and the exit status that
// sums them up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/outcome.h"
#include "driver/explain.h"
#include "platform/session.h"

namespace winreach {

struct RunFacts {
  std::wstring version;
  std::wstring target;  // as given
  std::wstring local_computer;
  int64_t started_unix_ms = 0;  // wall clock, milliseconds since 1970 UTC
  int64_t elapsed_ms = 0;       // the whole run
  std::optional<SessionFacts> session;  // none: no connection was made
};

// One JSON document on one line, newline-terminated. With `explanation`
// (--explain) it carries the verdict and, on each failed check, what its
// code means, the likely cause and what to look at next.
std::string JsonReport(const RunFacts& facts, const std::vector<CheckOutcome>& outcomes,
                       const RunExplanation* explanation = nullptr);

// "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::wstring Rfc3339Utc(int64_t unix_ms);

// What --exit-status reports.
enum ExitStatus : int {
  kAllPassed = 0,
  kSomeFailed = 1,
  kUnresolved = 2,  // the name did not resolve and no remote check passed
};
int ExitStatusOf(const std::vector<CheckOutcome>& outcomes);

}  // namespace winreach
