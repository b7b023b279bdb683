#include "driver/run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "driver/usage.h"
#include "platform/fake/fake_platform.h"
#include "tests/support/scripted_icmp_library.h"

namespace winreach {
namespace {

// A platform on which every remote check fails, so that the run's own lines
// and its order stand out.
class ConnectivityTestTest : public ::testing::Test {
 protected:
  ConnectivityTestTest() { platform_.ScriptUnreachableServer(); }

  std::wstring Run(std::vector<std::wstring> arguments) {
    EXPECT_EQ(0, ConnectivityTest(platform_, arguments));
    return platform_.console_.Output();
  }

  static std::wstring Banner(const std::wstring& display) {
    return L"\n" + ProductNotice() + L"\nTesting network connectivity to the remote computer " +
           display + L"\nLocal computer: LOCALBOX\n\n";
  }

  static constexpr wchar_t kRemoteFailures[] =
      L"NetServerGetInfo level 100 failed! Error 00000035\n"
      L"NetServerGetInfo level 101 failed! Error 00000035\n"
      L"NetServerGetInfo level 102 failed! Error 00000035\n"
      L"NetServerGetInfo level 503 failed! Error 00000035\n"
      L"Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035\n"
      L"Remote access to the ADMIN$ share failed! Error 00000035\n"
      L"Unable to connect to the SCM! Error 000006BA\n";

  FakePlatform platform_;
};

TEST_F(ConnectivityTestTest, CommandLineRunPrintsEveryCheckInOrderWithoutPromptOrPause) {
  const std::wstring output = Run({L"srv01"});
  EXPECT_EQ(Banner(L"SRV01") +
                L"IP address: 10.1.2.3\n"
                L"Host name: srv01.example.test\n"
                L"The NCBRESET return code is: 0x23 \n"
                L"Unable to ping the computer!\n" +
                kRemoteFailures,
            output);
  EXPECT_EQ(0, platform_.console_.key_waits);
  EXPECT_EQ(std::vector<uint16_t>{0x0202}, platform_.sockets_.startups);
  EXPECT_EQ(1, platform_.sockets_.cleanups);
}

TEST_F(ConnectivityTestTest, InteractiveRunPromptsThenPausesForOneKey) {
  platform_.console_.words = {L"srv01"};
  const std::wstring output = Run({});
  EXPECT_EQ(L"Remote computer name:" + Banner(L"SRV01"),
            output.substr(0, 21 + Banner(L"SRV01").size()));
  EXPECT_EQ(1, platform_.console_.key_waits);
  ASSERT_GE(platform_.console_.messages.size(), 2u);
  const auto& last = platform_.console_.messages;
  EXPECT_EQ(L"Press any key to continue", last[last.size() - 2].text);
  EXPECT_FALSE(last[last.size() - 2].wide);
  EXPECT_EQ(L"\n", last.back().text);
}

TEST_F(ConnectivityTestTest, InteractiveEndOfInputRunsTheChecksWithAnEmptyName) {
  const std::wstring output = Run({});
  // The run's resolution, then the ping's own.
  EXPECT_EQ((std::vector<std::string>{"", ""}), platform_.sockets_.lookups);
  EXPECT_EQ(L"\\\\", platform_.management_.calls.at(0).first);
  EXPECT_EQ(1, platform_.console_.key_waits);
  EXPECT_NE(std::wstring::npos, output.find(L"remote computer \nLocal computer"));
}

TEST_F(ConnectivityTestTest, LowerCaseNameIsUpperCaseInTheBannerOnly) {
  platform_.sockets_.AddHost("SrV01", "srv01", 10, 1, 2, 3);
  const std::wstring output = Run({L"SrV01"});
  EXPECT_NE(std::wstring::npos, output.find(L"remote computer SRV01\n"));
  EXPECT_EQ((std::vector<std::string>{"SrV01", "SrV01"}), platform_.sockets_.lookups);
  EXPECT_EQ(L"\\\\SrV01", platform_.management_.calls.at(0).first);
  EXPECT_EQ(L"\\\\SrV01", platform_.services_.opens.at(0).machine);
}

TEST_F(ConnectivityTestTest, UnresolvedNameSkipsOnlyTheAdapterStatus) {
  platform_.sockets_.resolve_error = 11001;
  const std::wstring output = Run({L"nowhere"});
  EXPECT_EQ(Banner(L"NOWHERE") +
                L"Name resolution problem! Error code: 00002AF9\n"
                L"Name resolution problem. Error code: 00002AF9\n"  // the raw-socket ping's
                L"Unable to ping the computer!\n" +
                kRemoteFailures,
            output);
  EXPECT_TRUE(platform_.netbios_.calls.empty());
}

TEST_F(ConnectivityTestTest, NameTheCodePageCannotCarryIsNeverLookedUpCut) {
  // Cut before the omega, the name would be the empty one: this computer.
  platform_.sockets_.AddHost("", "localbox", 127, 0, 0, 1);
  const std::wstring output = Run({L"\u03A9srv01"});
  EXPECT_EQ(Banner(L"\u03A9SRV01") +
                L"Name resolution problem! Error code: 00002AF9\n"
                L"Name resolution problem. Error code: 00002AF9\n"
                L"Unable to ping the computer!\n" +
                kRemoteFailures,
            output);
  EXPECT_TRUE(platform_.sockets_.lookups.empty());
  EXPECT_EQ(L"\\\\\u03A9srv01", platform_.management_.calls.at(0).first);
}

TEST_F(ConnectivityTestTest, TypedZeroCharacterEndsTheNameForEveryCheck) {
  platform_.console_.words.push_back(std::wstring(L"srv01\0x", 7));
  const std::wstring output = Run({});
  EXPECT_NE(std::wstring::npos, output.find(L"remote computer SRV01\n"));
  EXPECT_EQ((std::vector<std::string>{"srv01", "srv01"}), platform_.sockets_.lookups);
  EXPECT_EQ(L"\\\\srv01", platform_.management_.calls.at(0).first);
}

TEST_F(ConnectivityTestTest, HostEntryWithoutNamePrintsQuestionMark) {
  platform_.sockets_.hosts["srv01"].official_name.reset();
  EXPECT_NE(std::wstring::npos, Run({L"srv01"}).find(L"\nHost name: ?\n"));
}

TEST_F(ConnectivityTestTest, AdapterStatusIsAskedOfTheDottedAddress) {
  platform_.sockets_.AddHost("srv01", "srv01", 192, 168, 100, 200);
  platform_.netbios_.handler = [](NCB* ncb) -> uint8_t {
    return ncb->ncb_command == NCBRESET ? 0 : NRC_CMDTMO;
  };
  const std::wstring output = Run({L"srv01"});
  EXPECT_NE(std::wstring::npos, output.find(L"IP address: 192.168.100.200\n"));
  const NCB& query = platform_.netbios_.calls.back();
  EXPECT_EQ(NCBASTAT, query.ncb_command);
  EXPECT_EQ(0, std::memcmp(query.ncb_callname, "192.168.100.200\0", 16));
  EXPECT_NE(std::wstring::npos, output.find(L"The NCBASTAT return code is: 0x5 \n"));
}

// The library ping's echo, which tells the test when it has gone out.
std::promise<void>* echo_sent = nullptr;
DWORD WINAPI SendAndTell(HANDLE icmp, IPAddr destination, LPVOID data, WORD size,
                         PIP_OPTION_INFORMATION options, LPVOID reply, DWORD reply_size,
                         DWORD timeout) {
  const DWORD replies = scripted_icmp::FakeSend(icmp, destination, data, size, options, reply,
                                                reply_size, timeout);
  echo_sent->set_value();
  return replies;
}

// The NetBIOS query waits until the echo has gone out and the SMB connection
// is being made: one after the other, it would wait in vain. The echo,
// answered at once, finishes first; the lines keep their order.
TEST_F(ConnectivityTestTest, NetbiosLibraryEchoAndConnectionWaitTogetherAndPrintInOrder) {
  scripted_icmp::Script script;
  script.platform = &platform_;
  scripted_icmp::script = &script;
  std::promise<void> sent, connecting;
  echo_sent = &sent;
  platform_.libraries_.libraries[L"ICMP.DLL"].entry_points = {
      {"IcmpCreateFile", reinterpret_cast<void*>(&scripted_icmp::FakeCreate)},
      {"IcmpSendEcho", reinterpret_cast<void*>(&SendAndTell)},
      {"IcmpCloseHandle", reinterpret_cast<void*>(&scripted_icmp::FakeClose)}};
  platform_.session_.on_connect = [&](std::wstring_view) { connecting.set_value(); };
  bool waited_together = false;
  platform_.netbios_.handler = [&, echo = sent.get_future().share(),
                                connect = connecting.get_future().share()](NCB* ncb) -> uint8_t {
    if (ncb->ncb_command == NCBRESET) return 0;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    waited_together = echo.wait_until(limit) == std::future_status::ready &&
                      connect.wait_until(limit) == std::future_status::ready;
    return NRC_CMDTMO;
  };
  const std::wstring output = Run({L"srv01"});
  scripted_icmp::script = nullptr;
  EXPECT_EQ(Banner(L"SRV01") +
                L"IP address: 10.1.2.3\n"
                L"Host name: srv01.example.test\n"
                L"The NCBASTAT return code is: 0x5 \n"
                L"Ping OK!\n" +
                kRemoteFailures,
            output);
  EXPECT_TRUE(waited_together);
  EXPECT_EQ(std::vector<std::wstring>{L"\\\\srv01"}, platform_.session_.connects);
}

// A raw socket would take the ICMP errors that the NetBIOS and SMB packets
// draw for foreign datagrams: its echo goes out only once they are done.
TEST_F(ConnectivityTestTest, RawSocketEchoGoesOutAloneAfterNetbiosAndConnection) {
  std::atomic<bool> netbios_done = false, connected = false;
  bool alone = false;
  platform_.netbios_.handler = [&](NCB* ncb) -> uint8_t {
    netbios_done = ncb->ncb_command == NCBASTAT;
    return ncb->ncb_command == NCBRESET ? 0 : NRC_CMDTMO;
  };
  platform_.session_.on_connect = [&](std::wstring_view) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    connected = true;
  };
  platform_.sockets_.on_send = [&](const uint8_t*, int length, const sockaddr_in&) {
    alone = netbios_done && connected;
    return length;
  };
  EXPECT_NE(std::wstring::npos,
            Run({L"srv01"}).find(L"The NCBASTAT return code is: 0x5 \nUnable to ping"));
  EXPECT_TRUE(alone);
}

TEST_F(ConnectivityTestTest, SocketsThatDoNotStartEndTheRunAtOnceEvenInteractively) {
  platform_.sockets_.startup_result = 10091;
  platform_.console_.words = {L"srv01"};
  const std::wstring output = Run({});
  EXPECT_EQ(L"Remote computer name:" + Banner(L"SRV01") +
                L"Unable to intialize Windows sockets. Error code: 0000276B\n",
            output);
  EXPECT_EQ(0, platform_.console_.key_waits);
  EXPECT_TRUE(platform_.sockets_.lookups.empty());
  EXPECT_TRUE(platform_.management_.calls.empty());
  EXPECT_EQ(0, platform_.sockets_.cleanups);
}

TEST_F(ConnectivityTestTest, LongestNameFillsTheMachinePath) {
  const std::wstring name(kMaxTargetName, L'a');
  Run({name});
  EXPECT_TRUE(platform_.console_.errors.empty());
  EXPECT_EQ(255u, platform_.management_.calls.at(0).first.size());
  EXPECT_EQ(L"\\\\" + name + L"\\ADMIN$\\system32\\ntoskrnl.exe",
            platform_.files_.opens.at(0).path);
}

TEST_F(ConnectivityTestTest, OverLongNameIsRefusedBeforeAnythingIsSent) {
  for (const size_t length : {kMaxTargetName + 1, size_t{255}, size_t{256}, size_t{10000}}) {
    FakePlatform platform;
    EXPECT_EQ(0, ConnectivityTest(platform, {std::wstring(length, L'n')}));
    EXPECT_EQ(L"", platform.console_.Output());
    EXPECT_EQ(NameTooLongText(length), platform.console_.errors);
    EXPECT_TRUE(platform.sockets_.startups.empty());
    EXPECT_TRUE(platform.sockets_.lookups.empty());
    EXPECT_TRUE(platform.management_.calls.empty());
  }
}

TEST_F(ConnectivityTestTest, OverLongTypedNameIsRefusedAndStillPauses) {
  platform_.console_.words = {std::wstring(300, L'x')};
  Run({});
  EXPECT_EQ(NameTooLongText(300), platform_.console_.errors);
  EXPECT_TRUE(platform_.sockets_.lookups.empty());
  EXPECT_EQ(1, platform_.console_.key_waits);
}

TEST_F(ConnectivityTestTest, NamesWithFormatCharactersArePassedThroughVerbatim) {
  const std::wstring name = L"%s%n\\\"%08X";
  const std::wstring output = Run({name});
  EXPECT_NE(std::wstring::npos, output.find(L"remote computer %S%N\\\"%08X\n"));
  EXPECT_EQ(L"\\\\" + name, platform_.management_.calls.at(0).first);
}

TEST_F(ConnectivityTestTest, VerboseTellsTheSessionOnceAfterTheCheckThatConnected) {
  const std::wstring quiet_output = Run({L"srv01"});
  platform_.console_ = FakeConsole{};
  platform_.session_ = FakeSession{};
  // The server information check made no connection; the registry's did.
  platform_.session_.connected_at_call = 2;
  platform_.session_.facts = {L"10.1.2.3", 445, LogonMethod::kKerberos, LogonAccount::kNamed,
                              L"EXAMPLE\\admin", L"3.1.1", true, false, true, L"", L""};
  EXPECT_EQ(quiet_output, Run({L"--verbose", L"srv01"}));
  EXPECT_EQ(L"winreach: 10.1.2.3:445 SMB 3.1.1, signed, Kerberos as EXAMPLE\\admin\n",
            platform_.console_.errors);
  EXPECT_EQ(2, platform_.session_.calls);
}

TEST_F(ConnectivityTestTest, UnusedCredentialsAreNeverSilent) {
  platform_.session_.connected_at_call = 1;
  platform_.session_.facts.account = LogonAccount::kAnonymous;
  platform_.session_.facts.method = LogonMethod::kAnonymous;
  Run({L"srv01"});
  EXPECT_EQ(L"", platform_.console_.errors);  // nothing offered: as asked
  platform_.session_.facts.credentials_offered = true;
  Run({L"srv01"});
  EXPECT_EQ(L"winreach: credentials were offered, but the remote checks ran anonymously\n",
            platform_.console_.errors);
  platform_.console_.errors.clear();
  platform_.session_.facts.server = L"fd00::2";
  platform_.session_.facts.port = 139;
  platform_.session_.facts.account = LogonAccount::kGuest;
  platform_.session_.facts.method = LogonMethod::kNtlm;
  Run({L"--verbose", L"srv01"});
  EXPECT_EQ(L"winreach: [fd00::2]:139 SMB (dialect unknown), signing unknown, NTLM as guest\n"
            L"winreach: credentials were offered, but the server took the remote checks' logon "
            L"as its guest\n",
            platform_.console_.errors);
}

TEST_F(ConnectivityTestTest, HelpAndVersionRunNoCheck) {
  for (const wchar_t* argument : {L"-h", L"--help", L"/?", L"-?", L"--version"}) {
    FakePlatform platform;
    EXPECT_EQ(0, ConnectivityTest(platform, {argument}));
    EXPECT_TRUE(platform.sockets_.startups.empty()) << argument;
    EXPECT_TRUE(platform.libraries_.loads.empty()) << argument;
    EXPECT_FALSE(platform.console_.Output().empty()) << argument;
  }
  FakePlatform platform;
  ConnectivityTest(platform, {L"--version"});
  EXPECT_EQ(ProductNotice() + L"\n", platform.console_.Output());
}

TEST_F(ConnectivityTestTest, AnArgumentLikeAnOptionButNoneOfOursIsAUsageError) {
  const std::vector<std::vector<std::wstring>> command_lines = {
      {L"--bogus"}, {L"--jsno", L"srv01"}, {L"srv01", L"-x"}, {L"--json", L"-"}};
  for (const auto& arguments : command_lines) {
    FakePlatform platform;
    EXPECT_EQ(kUsageError, ConnectivityTest(platform, arguments));
    EXPECT_EQ(L"", platform.console_.Output());
    EXPECT_EQ(0u, platform.console_.errors.find(L"winreach: unknown option -"));
    EXPECT_TRUE(platform.sockets_.startups.empty());
  }
}

TEST_F(ConnectivityTestTest, ExplainFollowsTheLastCheckLineAndComesBeforeThePause) {
  platform_.console_.words = {L"srv01"};
  EXPECT_EQ(0, ConnectivityTest(platform_, {L"--explain"}));
  const auto& messages = platform_.console_.messages;
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(L"Unable to connect to the SCM! Error 000006BA\n", messages[messages.size() - 4].text);
  EXPECT_EQ(0u, messages[messages.size() - 3].text.find(
                    L"\nVerdict: no SMB server answered on ports 445 or 139, and the computer"));
  EXPECT_EQ(L"Press any key to continue", messages[messages.size() - 2].text);
}

}  // namespace
}  // namespace winreach
