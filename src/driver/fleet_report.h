// What a run of many computers prints: a line or a CSV row per computer,
// the progress line, and the summary at the end.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"

namespace winreach {

// The text line of one computer: its name, its address ("-" when the name
// did not resolve) and the verdict in words.
std::wstring FleetTextLine(const ComputerRecord& record);

// The CSV header and one computer's row (RFC 4180: CRLF line ends, a field
// with a comma, a quote or a line break quoted, its quotes doubled).
std::string CsvHeader();
std::string CsvRow(const ComputerRecord& record);
std::string CsvField(std::string_view text);

// Text as UTF-8 bytes (a lone surrogate becomes U+FFFD).
std::string EncodeUtf8Text(std::wstring_view text);

// Computers per verdict, and per check how many failed with which codes.
class FleetSummary {
 public:
  void Add(const ComputerRecord& record);
  size_t computers() const { return computers_; }
  const std::map<std::string, size_t>& verdicts() const { return verdicts_; }

  // "170 computers: 120 administrable, 20 no_answer, ..." and, per check
  // that failed anywhere, its failures by code.
  std::wstring Text() const;

  // The progress line: done/total (total 0: not yet known), computers per
  // second, time left, and counts per verdict.
  std::wstring ProgressLine(size_t total, int64_t elapsed_ms) const;

 private:
  static constexpr uint64_t kNoCode = ~uint64_t{0};
  size_t computers_ = 0;
  std::map<std::string, size_t> verdicts_;
  std::vector<std::string> check_order_;  // checks in the order first seen; the text sorts them
  std::map<std::string, std::map<uint64_t, size_t>> failures_;  // check -> code -> computers
};

}  // namespace winreach
