// What one check found, apart from how it is shown: the text report prints
// its line as the check runs, the JSON report writes the same outcome whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/system.h"

namespace winreach {

// A detail's value: text (already fit to be shown) or a number.
using DetailValue = std::variant<std::wstring, int64_t>;

struct CheckOutcome {
  std::string check;  // "resolve", "netbios", "ping", ...
  bool ok = false;
  std::optional<uint32_t> code;  // the code the failure line prints; none on success
  int64_t elapsed_ms = 0;
  std::vector<std::pair<std::string, DetailValue>> detail;

  CheckOutcome& With(std::string key, DetailValue value) {
    detail.emplace_back(std::move(key), std::move(value));
    return *this;
  }
};

// Measures one check from its construction on the system's monotonic counter.
class Stopwatch {
 public:
  explicit Stopwatch(System& system) : system_(system), start_(system.PerformanceCounter()) {}

  int64_t ElapsedMs() const {
    const int64_t frequency = system_.PerformanceFrequency();
    const int64_t counts = system_.PerformanceCounter() - start_;
    if (frequency <= 0 || counts <= 0) return 0;
    return counts / frequency * 1000 + counts % frequency * 1000 / frequency;
  }

  CheckOutcome Passed(std::string check) const { return Outcome(std::move(check), true, {}); }
  CheckOutcome Failed(std::string check, std::optional<uint32_t> code) const {
    return Outcome(std::move(check), false, code);
  }

 private:
  CheckOutcome Outcome(std::string check, bool ok, std::optional<uint32_t> code) const {
    CheckOutcome outcome;
    outcome.check = std::move(check);
    outcome.ok = ok;
    outcome.code = code;
    outcome.elapsed_ms = ElapsedMs();
    return outcome;
  }

  System& system_;
  int64_t start_;
};

}  // namespace winreach
