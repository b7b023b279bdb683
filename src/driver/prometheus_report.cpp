#include "driver/prometheus_report.h"

#include "driver/fleet_report.h"
#include "platform/format.h"

namespace winreach {

namespace {

void Family(std::string& out, std::string_view name, std::string_view help) {
  out += "# HELP ";
  out += name;
  out += ' ';
  out += help;
  out += "\n# TYPE ";
  out += name;
  out += " gauge\n";
}

std::string CheckLabels(const std::string& target, const CheckOutcome& outcome) {
  return "{target=\"" + target + "\",check=\"" + outcome.check + "\"}";
}

}  // namespace

std::string PrometheusLabelValue(std::wstring_view text) {
  std::string escaped;
  for (const char c : EncodeUtf8Text(text)) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '"') {
      escaped += "\\\"";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string PrometheusText(const std::vector<ComputerRecord>& records, int64_t elapsed_ms,
                           int64_t finished_unix_ms) {
  std::vector<std::string> targets;
  targets.reserve(records.size());
  for (const ComputerRecord& record : records) targets.push_back(PrometheusLabelValue(record.target));

  // Each family whole, its samples together, as the format asks.
  std::string out;
  Family(out, "winreach_check_success", "Whether the check passed (1) or failed (0).");
  for (size_t i = 0; i < records.size(); ++i) {
    for (const CheckOutcome& outcome : records[i].outcomes) {
      out += "winreach_check_success" + CheckLabels(targets[i], outcome) +
             (outcome.ok ? " 1\n" : " 0\n");
    }
  }
  Family(out, "winreach_check_status_code",
         "The Windows code the check ended with (0 when it passed); absent for a failure "
         "without one.");
  for (size_t i = 0; i < records.size(); ++i) {
    for (const CheckOutcome& outcome : records[i].outcomes) {
      if (!outcome.ok && !outcome.code) continue;
      out += "winreach_check_status_code" + CheckLabels(targets[i], outcome) + " " +
             std::to_string(outcome.ok ? 0 : *outcome.code) + "\n";
    }
  }
  Family(out, "winreach_check_duration_seconds", "How long the check took.");
  for (size_t i = 0; i < records.size(); ++i) {
    for (const CheckOutcome& outcome : records[i].outcomes) {
      out += "winreach_check_duration_seconds" + CheckLabels(targets[i], outcome) + " " +
             Seconds8(outcome.elapsed_ms) + "\n";
    }
  }
  Family(out, "winreach_verdict_info",
         "What the checks add up to: administrable, partly, access_denied, no_answer, "
         "unresolved, ...");
  for (size_t i = 0; i < records.size(); ++i) {
    const std::string verdict =
        records[i].explanation ? records[i].explanation->verdict.kind : std::string("unknown");
    out += "winreach_verdict_info{target=\"" + targets[i] + "\",verdict=\"" + verdict + "\"} 1\n";
  }
  Family(out, "winreach_run_duration_seconds", "How long the whole run took.");
  out += "winreach_run_duration_seconds " + Seconds8(elapsed_ms) + "\n";
  Family(out, "winreach_last_run_timestamp_seconds",
         "When the run ended, in seconds since 1970 UTC.");
  out += "winreach_last_run_timestamp_seconds " + Seconds8(finished_unix_ms) + "\n";
  return out;
}

}  // namespace winreach
