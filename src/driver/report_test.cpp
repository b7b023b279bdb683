#include "driver/report.h"

#include <gtest/gtest.h>

#include <regex>

#include "driver/run.h"
#include "driver/usage.h"
#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::vector<std::string> CheckIds(const std::string& json) {
  std::vector<std::string> ids;
  const std::regex check(R"re("check":"([a-z_0-9]+)")re");
  for (auto it = std::sregex_iterator(json.begin(), json.end(), check);
       it != std::sregex_iterator(); ++it) {
    ids.push_back((*it)[1]);
  }
  return ids;
}

class JsonReportTest : public ::testing::Test {
 protected:
  JsonReportTest() { platform_.ScriptUnreachableServer(); }
  FakePlatform platform_;
};

TEST_F(JsonReportTest, OneLineOnStandardOutputWithTheChecksThatRanInOrder) {
  EXPECT_EQ(1, ConnectivityTest(platform_, {L"--json", L"srv01", L"--exit-status"}));
  const std::string json = Narrow(platform_.console_.Output());
  ASSERT_EQ(1u, platform_.console_.messages.size());
  EXPECT_EQ(json.size() - 1, json.find('\n'));
  EXPECT_EQ(0u, json.find(R"({"version":")" WINREACH_VERSION R"(","target":"srv01",)"
                          R"("local_computer":"LOCALBOX","started":")"));
  EXPECT_TRUE(std::regex_search(
      json,
      std::regex(
          R"re("started":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z","elapsed_ms":\d+,)re"
          R"re("session":null,"checks":\[)re")));
  EXPECT_EQ((std::vector<std::string>{"resolve", "netbios", "ping", "server_info_100",
                                      "server_info_101", "server_info_102", "server_info_503",
                                      "registry", "admin_share", "scm"}),
            CheckIds(json));
  // The codes are those the text prints: 0x23, 0x35 (53), 0x6BA (1722).
  EXPECT_NE(std::string::npos,
            json.find(R"({"check":"resolve","ok":true,"code":null,"elapsed_ms":0,)"
                      R"("detail":{"address":"10.1.2.3","host_name":"srv01.example.test"}})"));
  EXPECT_NE(std::string::npos, json.find(R"({"check":"netbios","ok":false,"code":35,)"));
  EXPECT_NE(std::string::npos, json.find(R"({"check":"registry","ok":false,"code":53,)"));
  EXPECT_NE(std::string::npos, json.find(R"({"check":"scm","ok":false,"code":1722,)"));
  EXPECT_EQ(0, platform_.console_.key_waits);
}

TEST_F(JsonReportTest, SessionCarriesTheFirstConnectionsFactsAndNullForUnknowns) {
  platform_.session_.connected_at_call = 1;
  platform_.session_.facts = {L"10.1.2.3", 445, LogonMethod::kNtlm, LogonAccount::kNamed,
                              L"EXAMPLE\\admin", L"3.1.1", true, std::nullopt, true, L"AES-GMAC", L""};
  ConnectivityTest(platform_, {L"--json", L"srv01"});
  EXPECT_NE(std::string::npos,
            Narrow(platform_.console_.Output())
                .find(R"("session":{"server":"10.1.2.3","port":445,"identity":"EXAMPLE\\admin",)"
                      R"("method":"ntlm","dialect":"3.1.1","signing":true,"encryption":null,)"
                      R"("signing_algorithm":"AES-GMAC","cipher":null},)"));
  platform_.console_ = FakeConsole{};
  platform_.session_.facts = {};
  platform_.session_.facts.account = LogonAccount::kGuest;
  ConnectivityTest(platform_, {L"--json", L"srv01"});
  EXPECT_NE(std::string::npos,
            Narrow(platform_.console_.Output())
                .find(R"("session":{"server":null,"port":null,"identity":"guest","method":null,)"
                      R"("dialect":null,"signing":null,"encryption":null,)"
                      R"("signing_algorithm":null,"cipher":null},)"));
}

TEST_F(JsonReportTest, ExplainAddsTheVerdictAndAnExplanationToEachFailedCheck) {
  EXPECT_EQ(1, ConnectivityTest(platform_, {L"--json", L"--explain", L"--exit-status", L"srv01"}));
  const std::string json = Narrow(platform_.console_.Output());
  EXPECT_NE(std::string::npos,
            json.find(R"("session":null,"verdict":{"kind":"no_answer","text":"no SMB server )"
                      R"(answered on ports 445 or 139, and the computer does not answer ping: it )"
                      R"(is off, unreachable from here, or a firewall drops everything"},)"
                      R"("checks":[{"check":"resolve","ok":true,"code":null,"elapsed_ms":0,)"
                      R"("detail":{"address":"10.1.2.3","host_name":"srv01.example.test"}},)"));
  EXPECT_NE(std::string::npos,
            json.find(R"({"check":"scm","ok":false,"code":1722,"elapsed_ms":0,"detail":{},)"
                      R"("explanation":{"meaning":"The RPC server is unavailable.",)"
                      R"("cause":"The service's RPC pipe could not be reached: often no SMB )"
                      R"(server answered at all (see the lines before), the computer is off, or )"
                      R"(a firewall blocks it.","next":"Check that the computer is on and that )"
                      R"(File and Printer Sharing is allowed in its firewall.",)"
                      R"("expected":false}}]})"));
  // Every failed check carries one; passed checks none.
  const auto count = [&json](const std::string& text) {
    size_t n = 0;
    for (size_t at = json.find(text); at != std::string::npos; at = json.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(R"("ok":false)"), count(R"("explanation":)"));
}

TEST_F(JsonReportTest, UnresolvedNameWithNoRemoteCheckPassedIsStatusTwo) {
  platform_.sockets_.resolve_error = 11001;
  EXPECT_EQ(2, ConnectivityTest(platform_, {L"--exit-status", L"nowhere"}));
  EXPECT_EQ(0, ConnectivityTest(platform_, {L"nowhere"}));
}

TEST_F(JsonReportTest, JsonWithoutANameIsAUsageError) {
  EXPECT_EQ(kUsageError, ConnectivityTest(platform_, {L"--json"}));
  EXPECT_EQ(L"", platform_.console_.Output());
  EXPECT_EQ(JsonWithoutNameText(), platform_.console_.errors);
  EXPECT_TRUE(platform_.sockets_.startups.empty());
}

TEST(ExitStatusTest, AnyRemoteCheckThatPassedMeansTheTargetWasFound) {
  CheckOutcome unresolved{"resolve", false, 11001, 0, {}};
  CheckOutcome ping{"ping", true, {}, 0, {}};
  EXPECT_EQ(kUnresolved, ExitStatusOf({unresolved}));
  EXPECT_EQ(kSomeFailed, ExitStatusOf({unresolved, ping}));
  EXPECT_EQ(kAllPassed, ExitStatusOf({ping}));
  EXPECT_EQ(kSomeFailed, ExitStatusOf({ping, {"scm", false, 5, 0, {}}}));
}

TEST(Rfc3339Test, WritesUtcWithMilliseconds) {
  EXPECT_EQ(L"1970-01-01T00:00:00.000Z", Rfc3339Utc(0));
  EXPECT_EQ(L"2026-12-07T14:41:34.057Z", Rfc3339Utc(1796654494057));
}

}  // namespace
}  // namespace winreach
