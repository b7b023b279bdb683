#include "driver/nagios_report.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace winreach {
namespace {

ComputerRecord Record(std::wstring target, std::string verdict,
                      std::vector<CheckOutcome> outcomes = {}, int64_t elapsed_ms = 0) {
  ComputerRecord record;
  record.target = std::move(target);
  record.outcomes = std::move(outcomes);
  record.elapsed_ms = elapsed_ms;
  record.explanation = RunExplanation{};
  record.explanation->verdict = {std::move(verdict), L"words"};
  return record;
}

CheckOutcome Outcome(std::string check, bool ok, std::optional<uint32_t> code, int64_t ms) {
  return {std::move(check), ok, code, ms, {}};
}

TEST(NagiosTest, StatusOfEveryVerdict) {
  const std::pair<const char*, PluginStatus> kinds[] = {
      {"administrable", kPluginOk},        {"partly", kPluginWarning},
      {"access_denied", kPluginCritical},  {"logon_refused", kPluginCritical},
      {"no_common_dialect", kPluginCritical}, {"stalled", kPluginCritical},
      {"no_smb_server", kPluginCritical},  {"netbios_only", kPluginCritical},
      {"no_answer", kPluginCritical},      {"unresolved", kPluginCritical},
      {"not_started", kPluginUnknown},
  };
  for (const auto& [kind, status] : kinds) {
    EXPECT_EQ(status, PluginStatusOf(Record(L"a", kind))) << kind;
  }
  ComputerRecord unjudged;
  EXPECT_EQ(kPluginUnknown, PluginStatusOf(unjudged));
}

TEST(NagiosTest, OneComputerStatusLinePerformanceDataAndFailedChecks) {
  ComputerRecord record = Record(L"srv01", "partly",
                                 {Outcome("resolve", true, {}, 2), Outcome("ping", true, {}, 1000),
                                  Outcome("server_info_503", false, 0x7C, 15),
                                  Outcome("registry_tcpip", false, 5, 7),
                                  Outcome("scm", false, {}, 3)});
  record.explanation->verdict.text = L"reachable, but remote administration fails in part";
  record.explanation->items.resize(3);
  record.explanation->items[0].expected = true;
  record.explanation->item_of = {-1, -1, 0, 1, 2};
  PluginStatus status = kPluginOk;
  EXPECT_EQ(
      "WINREACH WARNING - srv01: reachable, but remote administration fails in part | "
      "time=1.234s;;;0 resolve=0.002s;;;0 ping=1.000s;;;0 server_info_503=0.015s;;;0 "
      "registry_tcpip=0.007s;;;0 scm=0.003s;;;0 failed=3;;;0\n"
      "server_info_503 failed, code 0000007C (harmless)\n"
      "registry_tcpip failed, code 00000005\n"
      "scm failed, no code\n",
      NagiosOutput({record}, 1234, &status));
  EXPECT_EQ(kPluginWarning, status);
}

// A name is whatever the command line or the list gave: it must neither
// start a line of its own, nor end the text part, nor break a label.
TEST(NagiosTest, HostileNameCannotForgeLinesOrPerformanceData) {
  const std::wstring evil = L"ev'il|x=1\nWINREACH OK - \\";
  EXPECT_EQ("'ev''il?x?1?WINREACH OK - \\ time'", PerfLabel(evil + L" time"));
  EXPECT_EQ("failed", PerfLabel(L"failed"));
  EXPECT_EQ("'a b'", PerfLabel(L"a b"));

  PluginStatus status = kPluginOk;
  const std::string one = NagiosOutput({Record(evil, "no_answer")}, 5, &status);
  EXPECT_EQ("WINREACH CRITICAL - ev'il?x=1?WINREACH OK - \\: words | time=0.005s;;;0 failed=0;;;0\n",
            one);
  const std::string several =
      NagiosOutput({Record(evil, "administrable"), Record(L"b", "administrable")}, 5, &status);
  EXPECT_EQ(3, std::count(several.begin(), several.end(), '\n'));
  EXPECT_EQ(1, std::count(several.begin(), several.end(), '|'));
  EXPECT_NE(std::string::npos, several.find(" 'ev''il?x?1?WINREACH OK - \\ failed'=0;;;0"));
}

TEST(NagiosTest, SeveralComputersOneLineEachAndTheWorstStatus) {
  PluginStatus status = kPluginOk;
  const std::string output = NagiosOutput(
      {Record(L"a", "administrable", {Outcome("resolve", true, {}, 4)}, 4),
       Record(L"b", "not_started"),
       // The computer's own time, not the sum of its checks' overlapping waits.
       Record(L"c", "partly", {Outcome("scm", false, 5, 6), Outcome("ping", false, 11010, 1000)},
              1002)},
      2500, &status);
  EXPECT_EQ(
      "WINREACH UNKNOWN - 3 computers: 1 OK, 1 WARNING, 1 UNKNOWN | time=2.500s;;;0 "
      "'a time'=0.004s;;;0 'a failed'=0;;;0 'b time'=0.000s;;;0 'b failed'=0;;;0 "
      "'c time'=1.002s;;;0 'c failed'=2;;;0\n"
      "OK - a: words\nUNKNOWN - b: words\nWARNING - c: words\n",
      output);
  EXPECT_EQ(kPluginUnknown, status);
  // A computer found CRITICAL outweighs one that could not be judged.
  NagiosOutput({Record(L"a", "not_started"), Record(L"b", "unresolved"), Record(L"c", "partly")},
               0, &status);
  EXPECT_EQ(kPluginCritical, status);
  NagiosOutput({Record(L"a", "administrable"), Record(L"b", "partly")}, 0, &status);
  EXPECT_EQ(kPluginWarning, status);
  EXPECT_EQ("WINREACH UNKNOWN - no computer was checked\n", NagiosOutput({}, 0, &status));
  EXPECT_EQ(kPluginUnknown, status);
}

TEST(NagiosTest, UnknownLineTakesTheDiagnosticsFirstLine) {
  EXPECT_EQ("WINREACH UNKNOWN - unknown option --bogus\n",
            NagiosUnknownLine(L"winreach: unknown option --bogus\nUsage: winreach ...\n"));
}

}  // namespace
}  // namespace winreach
