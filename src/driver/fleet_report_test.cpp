#include "driver/fleet_report.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace winreach {
namespace {

ComputerRecord Record(std::wstring target, std::string verdict, std::vector<CheckOutcome> outcomes) {
  ComputerRecord record;
  record.target = std::move(target);
  record.outcomes = std::move(outcomes);
  record.explanation = RunExplanation{};
  record.explanation->verdict = {std::move(verdict), L"words"};
  return record;
}

CheckOutcome Passed(std::string check) { return {std::move(check), true, std::nullopt, 0, {}}; }
CheckOutcome Failed(std::string check, std::optional<uint32_t> code) {
  return {std::move(check), false, code, 0, {}};
}

TEST(CsvTest, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ("srv01", CsvField("srv01"));
  EXPECT_EQ("\"a,b\"", CsvField("a,b"));
  EXPECT_EQ("\"say \"\"hi\"\"\"", CsvField("say \"hi\""));
  EXPECT_EQ("\"two\r\nlines\"", CsvField("two\r\nlines"));
  EXPECT_EQ("", CsvField(""));
}

TEST(CsvTest, RowHasTheCodeOfEachFailedCheckInItsColumn) {
  CheckOutcome resolve = Passed("resolve");
  resolve.With("address", std::wstring(L"10.1.2.3"));
  const ComputerRecord record =
      Record(L"caf\u00e9,1", "partly",
             {resolve, Failed("ping", 11010), Failed("scm", std::nullopt), Passed("admin_share")});
  const std::string header = CsvHeader();
  ASSERT_EQ(0u, header.find("target,address,verdict,startup,resolve,netbios,ping,"));
  const std::string row = CsvRow(record);
  const std::string start = "\"caf\xC3\xA9,1\",10.1.2.3,partly,,,,11010,";
  EXPECT_EQ(start, row.substr(0, start.size()));
  EXPECT_EQ(",,failed\r\n", row.substr(row.size() - 10));
  // As many cells as the header has columns.
  EXPECT_EQ(std::count(header.begin(), header.end(), ','),
            std::count(row.begin(), row.end(), ',') - 1);  // the quoted comma
}

TEST(FleetSummaryTest, CountsVerdictsAndFailuresByCode) {
  FleetSummary summary;
  summary.Add(Record(L"a", "administrable", {Passed("resolve")}));
  summary.Add(Record(L"b", "unresolved", {Failed("resolve", 11001), Failed("ping", 11001)}));
  summary.Add(Record(L"c", "unresolved", {Failed("resolve", 11001), Failed("ping", std::nullopt)}));
  EXPECT_EQ(
      L"\n3 computers: 2 unresolved, 1 administrable\n"
      L"Failed checks (computers, by code):\n"
      L"  resolve                   2      00002AF9 x2\n"
      L"  ping                      2      00002AF9 x1, no code x1\n",
      summary.Text());
  EXPECT_EQ(L"3/12  1.5/s  0:06 left  administrable 1  unresolved 2",
            summary.ProgressLine(12, 2000));
  EXPECT_EQ(L"3/?  1.5/s  administrable 1  unresolved 2", summary.ProgressLine(0, 2000));
}

TEST(FleetTextLineTest, NameAddressAndVerdictWithoutControlCharacters) {
  CheckOutcome resolve = Passed("resolve");
  resolve.With("address", std::wstring(L"10.1.2.3"));
  EXPECT_EQ(L"srv01                    10.1.2.3        words\n",
            FleetTextLine(Record(L"srv01", "x", {resolve})));
  const std::wstring line = FleetTextLine(Record(L"evil\x1b[2J", "x", {}));
  EXPECT_EQ(std::wstring::npos, line.find(L'\x1b'));
  EXPECT_NE(std::wstring::npos, line.find(L" -               words\n"));
}

}  // namespace
}  // namespace winreach
