#include "driver/fleet_report.h"

#include <algorithm>

#include "platform/format.h"

namespace winreach {

namespace {

// The columns of the CSV, one per check in the run's order; a check that
// did not run has an empty cell, as one that passed.
constexpr const char* kCsvChecks[] = {
    "startup",        "resolve",
    "netbios",        "ping",
    "server_info_100", "server_info_101",
    "server_info_102", "server_info_503",
    "registry",       "registry_current_version",
    "registry_winlogon_read", "registry_winlogon_full",
    "registry_computer_name", "registry_tcpip",
    "admin_share",    "scm",
};

constexpr size_t kNameColumn = 24;
constexpr size_t kAddressColumn = 15;

std::wstring Address(const ComputerRecord& record) {
  for (const CheckOutcome& outcome : record.outcomes) {
    if (outcome.check != "resolve") continue;
    for (const auto& [key, value] : outcome.detail) {
      if (key != "address") continue;
      if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
    }
  }
  return {};
}

std::wstring Padded(std::wstring text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), L' ');
  return text;
}

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

std::string VerdictKind(const ComputerRecord& record) {
  return record.explanation ? record.explanation->verdict.kind : std::string("unknown");
}

// A check's place in the run's order; checks of no known place after them.
size_t PlaceInRun(const std::string& check) {
  size_t place = 0;
  for (const char* known : kCsvChecks) {
    if (check == known) return place;
    ++place;
  }
  return place;
}

std::wstring Duration(int64_t seconds) {
  const int64_t minutes = seconds / 60;
  const std::wstring rest = Unsigned(static_cast<uint32_t>(seconds % 60));
  return Unsigned(static_cast<uint32_t>(minutes)) + (rest.size() == 1 ? L":0" : L":") + rest;
}

}  // namespace

std::wstring FleetTextLine(const ComputerRecord& record) {
  const std::wstring address = Address(record);
  const std::wstring verdict =
      record.explanation ? record.explanation->verdict.text : std::wstring(L"-");
  return Padded(PrintableText(record.target), kNameColumn) + L" " +
         Padded(address.empty() ? L"-" : address, kAddressColumn) + L" " + verdict + L"\n";
}

std::string EncodeUtf8Text(std::wstring_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) c &= 0xFFFF;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string CsvHeader() {
  std::string header = "target,address,verdict";
  for (const char* check : kCsvChecks) header += std::string(",") + check;
  return header + "\r\n";
}

std::string CsvRow(const ComputerRecord& record) {
  std::string row = CsvField(EncodeUtf8Text(record.target)) + "," +
                    CsvField(EncodeUtf8Text(Address(record))) + "," +
                    CsvField(record.explanation ? record.explanation->verdict.kind : "");
  for (const char* check : kCsvChecks) {
    row += ',';
    for (const CheckOutcome& outcome : record.outcomes) {
      if (outcome.check != check || outcome.ok) continue;
      row += outcome.code ? Unsigned8(*outcome.code) : std::string("failed");
      break;
    }
  }
  return row + "\r\n";
}

void FleetSummary::Add(const ComputerRecord& record) {
  ++computers_;
  ++verdicts_[VerdictKind(record)];
  for (const CheckOutcome& outcome : record.outcomes) {
    if (outcome.ok) continue;
    if (failures_.find(outcome.check) == failures_.end()) check_order_.push_back(outcome.check);
    ++failures_[outcome.check][outcome.code ? uint64_t{*outcome.code} : kNoCode];
  }
}

std::wstring FleetSummary::Text() const {
  // Verdicts, the commonest first.
  std::vector<std::pair<std::string, size_t>> verdicts(verdicts_.begin(), verdicts_.end());
  std::stable_sort(verdicts.begin(), verdicts.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::wstring text = L"\n" + Unsigned(static_cast<uint32_t>(computers_)) +
                      (computers_ == 1 ? L" computer" : L" computers");
  for (size_t i = 0; i < verdicts.size(); ++i) {
    text += (i == 0 ? L": " : L", ") + Unsigned(static_cast<uint32_t>(verdicts[i].second)) +
            L" " + Wide(verdicts[i].first);
  }
  text += L"\n";
  if (check_order_.empty()) return text;
  text += L"Failed checks (computers, by code):\n";
  std::vector<std::string> checks = check_order_;
  std::stable_sort(checks.begin(), checks.end(), [](const std::string& a, const std::string& b) {
    return PlaceInRun(a) < PlaceInRun(b);
  });
  for (const std::string& check : checks) {
    const auto& codes = failures_.at(check);
    size_t total = 0;
    for (const auto& [code, count] : codes) total += count;
    std::wstring line = L"  " + Padded(Wide(check), 26) +
                        Padded(Unsigned(static_cast<uint32_t>(total)), 6);
    bool first = true;
    for (const auto& [code, count] : codes) {
      line += first ? L" " : L", ";
      first = false;
      line += (code == kNoCode ? std::wstring(L"no code") : Hex8(static_cast<uint32_t>(code))) +
              L" x" + Unsigned(static_cast<uint32_t>(count));
    }
    text += line + L"\n";
  }
  return text;
}

std::wstring FleetSummary::ProgressLine(size_t total, int64_t elapsed_ms) const {
  std::wstring line = Unsigned(static_cast<uint32_t>(computers_)) + L"/" +
                      (total == 0 ? std::wstring(L"?") : Unsigned(static_cast<uint32_t>(total)));
  if (elapsed_ms > 0 && computers_ > 0) {
    const int64_t tenths = static_cast<int64_t>(computers_) * 10000 / elapsed_ms;
    line += L"  " + Unsigned(static_cast<uint32_t>(tenths / 10)) + L"." +
            Unsigned(static_cast<uint32_t>(tenths % 10)) + L"/s";
    if (total > computers_) {
      const int64_t left_ms =
          elapsed_ms * static_cast<int64_t>(total - computers_) / static_cast<int64_t>(computers_);
      line += L"  " + Duration((left_ms + 999) / 1000) + L" left";
    }
  }
  for (const auto& [kind, count] : verdicts_) {
    line += L"  " + Wide(kind) + L" " + Unsigned(static_cast<uint32_t>(count));
  }
  return line;
}

}  // namespace winreach
