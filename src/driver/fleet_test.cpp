#include "driver/fleet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "driver/engine.h"
#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

// Each computer's platform: "srvNN" resolves and its server cannot be
// reached; any other name resolves nowhere.
class FleetTest : public ::testing::Test {
 protected:
  FleetTest() {
    platform_.script_run = [](FakePlatform& run) {
      run.ScriptUnreachableServer();
      for (int i = 0; i < 100; ++i) {
        const std::string name = "srv" + std::to_string(i);
        run.sockets_.AddHost(name, name, 10, 1, 2, static_cast<uint8_t>(i));
      }
    };
  }
  ~FleetTest() override { stop_requested = false; }

  int Run(std::vector<std::wstring> arguments) {
    return ConnectivityTest(platform_, arguments);
  }
  std::string Output8() const {
    std::string bytes;
    for (const auto& message : platform_.console_.messages) {
      for (const wchar_t c : message.text) bytes += static_cast<char>(c);
    }
    return bytes;
  }
  static std::string Timeless(std::string json) {
    return std::regex_replace(json, std::regex("\"started\":\"[^\"]*\""), "\"started\":\"\"");
  }

  FakePlatform platform_;
};

TEST_F(FleetTest, EachComputerOnAPlatformOfItsOwnThenTheSummary) {
  EXPECT_EQ(0, Run({L"srv1", L"nowhere", L"SRV1", L"srv2"}));
  EXPECT_EQ(3, platform_.runs);  // SRV1 is srv1
  const std::wstring output = platform_.console_.Output();
  EXPECT_NE(std::wstring::npos, output.find(L"srv1                     10.1.2.1        "));
  EXPECT_NE(std::wstring::npos, output.find(L"nowhere                  -               "));
  EXPECT_NE(std::wstring::npos, output.find(L"\n3 computers: 2 no_answer, 1 unresolved\n")) << output;
  // The checks' own lines stay with their computers' platforms.
  EXPECT_EQ(std::wstring::npos, output.find(L"IP address"));
  EXPECT_EQ(L"", platform_.console_.errors);
}

TEST_F(FleetTest, JsonLinesAreTheSingleRunsDocuments) {
  EXPECT_EQ(0, Run({L"--json", L"--explain", L"srv1", L"srv2"}));
  const std::string lines = Output8();
  std::set<std::string> single;
  for (const wchar_t* name : {L"srv1", L"srv2"}) {
    FakePlatform one;
    platform_.script_run(one);
    EXPECT_EQ(0, ConnectivityTest(one, {L"--json", L"--explain", name}));
    std::string bytes;
    for (const wchar_t c : one.console_.Output()) bytes += static_cast<char>(c);
    single.insert(Timeless(bytes));
  }
  const size_t cut = lines.find('\n') + 1;
  EXPECT_EQ(single, (std::set<std::string>{Timeless(lines.substr(0, cut)),
                                           Timeless(lines.substr(cut))}));
}

TEST_F(FleetTest, ResumeSkipsRecordedComputersCutsATornOneAndAppendsWholeLines) {
  FakePlatform first;
  platform_.script_run(first);
  ConnectivityTest(first, {L"--json", L"srv1"});
  std::string record;
  for (const wchar_t c : first.console_.Output()) record += static_cast<char>(c);
  platform_.local_files().contents[L"records"] = record + "{\"version\":\"0.1.0\",\"tar";
  platform_.local_files().contents[L"list"] = "srv1\nsrv2\nsrv3\n";

  EXPECT_EQ(0, Run({L"--resume", L"records", L"--targets", L"list"}));
  EXPECT_EQ(2, platform_.runs);
  const auto& appends = platform_.local_files().appends;
  ASSERT_EQ(2u, appends.size());
  for (const std::string& line : appends) {
    EXPECT_EQ(0u, line.find("{\"version\":"));
    EXPECT_EQ(1, std::count(line.begin(), line.end(), '\n'));
  }
  const std::string& file = platform_.local_files().contents[L"records"];
  EXPECT_EQ(record + appends[0] + appends[1], file);
}

TEST_F(FleetTest, StandardErrorLinesOfARunAreToldWithItsName) {
  const auto script = platform_.script_run;
  platform_.script_run = [script](FakePlatform& run) {
    script(run);
    run.session_.connected_at_call = 1;
    run.session_.facts.account = LogonAccount::kAnonymous;
    run.session_.facts.method = LogonMethod::kAnonymous;
    run.session_.facts.credentials_offered = true;
  };
  EXPECT_EQ(0, Run({L"--csv", L"srv1", L"srv2"}));
  const std::wstring& errors = platform_.console_.errors;
  EXPECT_EQ(0u, errors.find(L"winreach: srv")) << errors;
  EXPECT_NE(std::wstring::npos, errors.find(L"winreach: srv1: ")) << errors;
  EXPECT_NE(std::wstring::npos, errors.find(L"winreach: srv2: ")) << errors;
}

TEST_F(FleetTest, NoComputerStartsOnceStopped) {
  stop_requested = true;
  EXPECT_EQ(0, Run({L"srv1", L"srv2"}));
  EXPECT_EQ(0, platform_.runs);
  EXPECT_NE(std::wstring::npos, platform_.console_.errors.find(L"stopped after 0 computers"));
}

TEST_F(FleetTest, ExitStatusIsTheWorstAndCsvHasARowPerComputer) {
  EXPECT_EQ(2, Run({L"--csv", L"--exit-status", L"srv1", L"nowhere"}));
  const std::string csv = Output8();
  EXPECT_EQ(0u, csv.find("target,address,verdict,"));
  EXPECT_NE(std::string::npos, csv.find("\r\nnowhere,,unresolved,,11001,"));
}

TEST_F(FleetTest, CommandLinesThatCannotRun) {
  for (const std::vector<std::wstring>& arguments : std::vector<std::vector<std::wstring>>{
           {L"--jobs", L"0", L"srv1"},
           {L"--jobs", L"many", L"srv1"},
           {L"srv1", L"--targets"},
           {L"--csv", L"--json", L"srv1"},
           {L"--jobs=4"},
       }) {
    EXPECT_EQ(64, Run(arguments)) << arguments.front();
  }
  EXPECT_EQ(0, platform_.runs);
}

TEST_F(FleetTest, NagiosUsageErrorsAreUnknown) {
  for (const auto& [arguments, line] :
       std::vector<std::pair<std::vector<std::wstring>, std::string>>{
           {{L"--nagios", L"--bogus", L"srv1"}, "unknown option --bogus"},
           {{L"--nagios", L"--json", L"srv1"}, "--nagios excludes --json, --csv and --explain"},
           {{L"--nagios"}, "--nagios needs the computers on the command line"},
           {{L"--nagios", std::wstring(300, L'a')},
            "the name is 300 characters long; a computer name has at most 253 characters"},
       }) {
    platform_.console_.messages.clear();
    EXPECT_EQ(3, Run(arguments)) << line;
    EXPECT_EQ("WINREACH UNKNOWN - " + line + "\n", Output8());
  }
  EXPECT_EQ(0, platform_.runs);
}

TEST_F(FleetTest, PrometheusFileBesideTheUsualLinesAndNagiosOneLinePerComputer) {
  EXPECT_EQ(0, Run({L"--prometheus", L"/m/wr.prom", L"srv1", L"nowhere"}));
  EXPECT_NE(std::wstring::npos, platform_.console_.Output().find(L"\n2 computers: "));
  const std::string file = platform_.local_files().contents[L"/m/wr.prom"];
  EXPECT_NE(std::string::npos,
            file.find("winreach_verdict_info{target=\"nowhere\",verdict=\"unresolved\"} 1\n"));
  EXPECT_NE(std::string::npos, file.find("winreach_check_status_code{target=\"srv1\",check="));

  platform_.console_.messages.clear();
  EXPECT_EQ(2, Run({L"--nagios", L"srv1", L"nowhere"}));
  const std::string output = Output8();
  EXPECT_EQ(0u, output.find("WINREACH CRITICAL - 2 computers: 2 CRITICAL | time="));
  EXPECT_NE(std::string::npos,
            output.find("\nCRITICAL - nowhere: the name did not resolve, so no check reached a "
                        "computer\n"));
  EXPECT_EQ(3, std::count(output.begin(), output.end(), '\n'));

  // A file that cannot be written: the plugin says so first.
  platform_.replace_succeeds = false;
  platform_.console_.messages.clear();
  EXPECT_EQ(3, Run({L"--nagios", L"--prometheus", L"/m/wr.prom", L"srv1"}));
  EXPECT_EQ(0u, Output8().find("WINREACH UNKNOWN - cannot write the Prometheus file /m/wr.prom\n"
                               "WINREACH WARNING - srv1: "));
}

TEST(RunEngineTest, AtMostThatManyAtOnceAndEveryResultInFinishOrder) {
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  int given = 0;
  std::vector<int> results;
  RunEngine<int, int>(
      4, [&]() -> std::optional<int> { return given < 40 ? std::optional<int>(given++) : std::nullopt; },
      [&](int& job) {
        const int now = ++running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(job % 3));
        --running;
        return job;
      },
      [&](int& result) { results.push_back(result); }, [] {}, std::chrono::milliseconds(10),
      stop_requested);
  EXPECT_LE(most.load(), 4);
  std::sort(results.begin(), results.end());
  ASSERT_EQ(40u, results.size());
  for (int i = 0; i < 40; ++i) EXPECT_EQ(i, results[static_cast<size_t>(i)]);
}

}  // namespace
}  // namespace winreach
