#include "driver/nagios_report.h"

#include <array>

#include "driver/fleet_report.h"
#include "platform/format.h"

namespace winreach {

namespace {

const char* StatusName(PluginStatus status) {
  switch (status) {
    case kPluginOk:
      return "OK";
    case kPluginWarning:
      return "WARNING";
    case kPluginCritical:
      return "CRITICAL";
    default:
      return "UNKNOWN";
  }
}

// Text for the plugin's output: printable, and without '|', which would
// start the performance data.
std::string OutputText(std::wstring_view text) {
  std::wstring shown = PrintableText(text);
  for (wchar_t& c : shown) {
    if (c == L'|') c = L'?';
  }
  return EncodeUtf8Text(shown);
}

// " 'label'=value[UOM];warn;crit;min": appended rather than built from a
// literal plus a string, which GCC 12's -Wrestrict misreads.
std::string Datum(std::wstring_view label, const std::string& value) {
  std::string datum = " ";
  datum += PerfLabel(label);
  datum += '=';
  datum += value;
  datum += ";;;0";
  return datum;
}

std::string SecondsDatum(std::wstring_view label, int64_t ms) {
  return Datum(label, Seconds8(ms) + "s");
}

std::string CountDatum(std::wstring_view label, size_t count) {
  return Datum(label, std::to_string(count));
}

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

size_t FailedChecks(const ComputerRecord& record) {
  size_t failed = 0;
  for (const CheckOutcome& outcome : record.outcomes) failed += outcome.ok ? 0 : 1;
  return failed;
}

// "testhost: remote administration works".
std::string ComputerText(const ComputerRecord& record) {
  const std::wstring verdict = record.explanation ? record.explanation->verdict.text
                                                  : std::wstring(L"the checks did not run");
  return OutputText(record.target) + ": " + OutputText(verdict);
}

std::string OneComputer(const ComputerRecord& record, int64_t elapsed_ms, PluginStatus status) {
  std::string out = std::string("WINREACH ") + StatusName(status) + " - " + ComputerText(record) +
                    " |" + SecondsDatum(L"time", elapsed_ms);
  for (const CheckOutcome& outcome : record.outcomes) {
    out += SecondsDatum(Wide(outcome.check), outcome.elapsed_ms);
  }
  out += CountDatum(L"failed", FailedChecks(record)) + "\n";
  const RunExplanation* explanation = record.explanation ? &*record.explanation : nullptr;
  for (size_t i = 0; i < record.outcomes.size(); ++i) {
    const CheckOutcome& outcome = record.outcomes[i];
    if (outcome.ok) continue;
    out += outcome.check + " failed, " +
           (outcome.code ? "code " + EncodeUtf8Text(Hex8(*outcome.code)) : std::string("no code"));
    if (explanation && i < explanation->item_of.size() && explanation->item_of[i] >= 0 &&
        explanation->items[static_cast<size_t>(explanation->item_of[i])].expected) {
      out += " (harmless)";
    }
    out += "\n";
  }
  return out;
}

}  // namespace

PluginStatus PluginStatusOf(const ComputerRecord& record) {
  if (!record.explanation) return kPluginUnknown;
  const std::string& kind = record.explanation->verdict.kind;
  if (kind == "administrable") return kPluginOk;
  if (kind == "partly") return kPluginWarning;
  // This computer could not start its network layer or SMB client: the
  // remote computer was never asked.
  if (kind == "not_started") return kPluginUnknown;
  // Refused, unanswered, out of time, unresolved: every other verdict is
  // one the administrator must act on.
  return kPluginCritical;
}

PluginStatus WorseStatus(PluginStatus a, PluginStatus b) {
  constexpr std::array<int, 4> kRank = {0, 1, 3, 2};  // OK, WARNING, CRITICAL, UNKNOWN
  return kRank[static_cast<size_t>(a)] >= kRank[static_cast<size_t>(b)] ? a : b;
}

std::string PerfLabel(std::wstring_view label) {
  std::string text = OutputText(label);
  bool plain = !text.empty();
  std::string quoted = "'";
  for (const char c : text) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == '.' || c == ':' || c == '/';
    plain = plain && word;
    if (c == '=') {
      quoted += '?';
    } else {
      quoted += c;
      if (c == '\'') quoted += '\'';
    }
  }
  return plain ? text : quoted + "'";
}

std::string NagiosOutput(const std::vector<ComputerRecord>& records, int64_t elapsed_ms,
                         PluginStatus* status) {
  if (records.empty()) {
    *status = kPluginUnknown;
    return NagiosUnknownLine(L"no computer was checked");
  }
  if (records.size() == 1) {
    *status = PluginStatusOf(records.front());
    return OneComputer(records.front(), elapsed_ms, *status);
  }
  std::array<size_t, 4> counts{};
  PluginStatus worst = kPluginOk;
  std::string lines, data = SecondsDatum(L"time", elapsed_ms);
  for (const ComputerRecord& record : records) {
    const PluginStatus each = PluginStatusOf(record);
    ++counts[static_cast<size_t>(each)];
    worst = WorseStatus(worst, each);
    lines += std::string(StatusName(each)) + " - " + ComputerText(record) + "\n";
    data += SecondsDatum(record.target + L" time", record.elapsed_ms) +
            CountDatum(record.target + L" failed", FailedChecks(record));
  }
  std::string summary = std::to_string(records.size()) + " computers:";
  const char* separator = " ";
  for (const PluginStatus each : {kPluginOk, kPluginWarning, kPluginCritical, kPluginUnknown}) {
    if (counts[static_cast<size_t>(each)] == 0) continue;
    summary += separator + std::to_string(counts[static_cast<size_t>(each)]) + " " +
               StatusName(each);
    separator = ", ";
  }
  *status = worst;
  return std::string("WINREACH ") + StatusName(worst) + " - " + summary + " |" + data + "\n" +
         lines;
}

std::string NagiosUnknownLine(std::wstring_view reason) {
  constexpr std::wstring_view kProgram = L"winreach: ";
  if (reason.substr(0, kProgram.size()) == kProgram) reason.remove_prefix(kProgram.size());
  reason = reason.substr(0, reason.find(L'\n'));
  return "WINREACH UNKNOWN - " + OutputText(reason) + "\n";
}

}  // namespace winreach
