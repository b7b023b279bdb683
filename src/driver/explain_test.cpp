#include "driver/explain.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "driver/explanation_table.h"
#include "platform/fake/fake_system.h"

namespace winreach {
namespace {

CheckOutcome Passed(std::string check) { return {std::move(check), true, {}, 0, {}}; }
CheckOutcome Failed(std::string check, std::optional<uint32_t> code) {
  return {std::move(check), false, code, 0, {}};
}

// The checks of a run against a reachable name, each remote one answered
// with `remote` (nullopt: passed) unless `overrides` says otherwise.
std::vector<CheckOutcome> Outcomes(std::optional<uint32_t> remote,
                                   std::vector<CheckOutcome> overrides = {}) {
  std::vector<CheckOutcome> outcomes = {Passed("resolve"), Passed("netbios"), Passed("ping")};
  for (const char* id :
       {"server_info_100", "server_info_101", "server_info_102", "server_info_503", "registry",
        "registry_current_version", "registry_winlogon_read", "registry_winlogon_full",
        "registry_computer_name", "registry_tcpip", "admin_share", "scm"}) {
    outcomes.push_back(remote ? Failed(id, remote) : Passed(id));
  }
  for (CheckOutcome& override_with : overrides) {
    for (CheckOutcome& outcome : outcomes) {
      if (outcome.check == override_with.check) outcome = override_with;
    }
  }
  return outcomes;
}

SessionFacts As(LogonAccount account) {
  SessionFacts facts;
  facts.account = account;
  return facts;
}

struct VerdictCase {
  const char* name;
  std::vector<CheckOutcome> outcomes;
  std::optional<SessionFacts> session;
  std::string kind;
  std::wstring text;
};

TEST(VerdictTest, FollowsFromTheOutcomes) {
  const std::vector<CheckOutcome> healthy_windows_anonymously =
      Outcomes(5, {Passed("server_info_100"), Passed("server_info_101"), Failed("netbios", 5)});
  const VerdictCase cases[] = {
      {"everything passes", Outcomes(std::nullopt), As(LogonAccount::kNamed), "administrable",
       L"remote administration works"},
      {"administrator; a level the server does not serve, ping filtered",
       Outcomes(std::nullopt, {Failed("server_info_503", 124), Failed("ping", std::nullopt)}),
       As(LogonAccount::kNamed), "administrable", L"remote administration works"},
      {"anonymous against a healthy host", healthy_windows_anonymously,
       As(LogonAccount::kAnonymous), "access_denied",
       L"reachable, but this account may not administer it (server information levels 102 "
       L"and 503, the registry, 5 registry keys, ADMIN$ and the service manager refuse it: "
       L"access denied); the checks ran anonymously"},
      {"guest: ADMIN$ and the service manager",
       Outcomes(std::nullopt, {Failed("admin_share", 5), Failed("scm", 5)}),
       As(LogonAccount::kGuest), "access_denied",
       L"reachable, but this account may not administer it (ADMIN$ and the service manager "
       L"refuse it: access denied); the server took the logon as its guest"},
      {"ADMIN$ lets the account in, the service manager does not",
       Outcomes(std::nullopt, {Failed("scm", 5)}), As(LogonAccount::kNamed), "partly",
       L"reachable, but remote administration fails in part (the service manager: access "
       L"denied)"},
      {"registry service stopped", Outcomes(std::nullopt, {Failed("registry", 53)}),
       As(LogonAccount::kNamed), "partly",
       L"reachable, but remote administration fails in part (the registry: error 00000035)"},
      {"refusing host (answers ping)", Outcomes(53, {Failed("scm", 1722)}), std::nullopt,
       "no_smb_server",
       L"the computer answers ping, but no SMB server answered on ports 445 or 139"},
      {"silent host",
       Outcomes(53, {Failed("scm", 1722), Failed("ping", std::nullopt), Failed("netbios", 5)}),
       std::nullopt, "no_answer",
       L"no SMB server answered on ports 445 or 139, and the computer does not answer ping: "
       L"it is off, unreachable from here, or a firewall drops everything"},
      {"unknown name", Outcomes(53, {Failed("resolve", 11001), Failed("ping", 11001)}),
       std::nullopt, "unresolved", L"the name did not resolve, so no check reached a computer"},
      {"only NetBIOS answers", Outcomes(53, {Failed("scm", 1722), Failed("ping", std::nullopt)}),
       std::nullopt, "netbios_only",
       L"the computer answers NetBIOS, so it is on, but no SMB server answered on ports 445 or "
       L"139: often its firewall blocks File and Printer Sharing (SMB-In), or its Server "
       L"service is stopped"},
      {"stalled", Outcomes(121, {Failed("ping", std::nullopt), Failed("netbios", 5)}), std::nullopt,
       "stalled",
       L"no SMB check got an answer in time (121): often a server that takes the connection "
       L"and then stops answering, an overloaded server, or a network that drops packets"},
      {"NTLM refused", Outcomes(1937), std::nullopt, "logon_refused",
       L"the server answered, but refused the logon: it allows no NTLM logon, and no Kerberos "
       L"ticket was used (1937)"},
      {"network logon not granted", Outcomes(1385), std::nullopt, "logon_refused",
       L"the server answered, but refused the logon: the account may not log on over the "
       L"network there (1385)"},
      {"credentials taken for the guest", Outcomes(1272), As(LogonAccount::kGuest), "logon_refused",
       L"the server answered, but refused the logon: it answered that it took the account for "
       L"its guest, and a guest logon is blocked where credentials were offered (1272)"},
      {"SMB1 only", Outcomes(50), std::nullopt, "no_common_dialect",
       L"the server answered, but has no SMB dialect in common with this program: often it "
       L"speaks only SMB1 (50)"},
      {"no Windows Sockets",
       {Failed("startup", 10091)},
       std::nullopt,
       "not_started",
       L"this computer could not start its network layer, so nothing was checked"},
  };
  FakeSystem system;
  for (const VerdictCase& c : cases) {
    const RunExplanation run = ExplainRun(c.outcomes, c.session, system);
    EXPECT_EQ(c.kind, run.verdict.kind) << c.name;
    EXPECT_EQ(c.text, run.verdict.text) << c.name;
  }
}

TEST(ExplainTest, CauseFollowsTheCheckTheAccountAndTheMix) {
  FakeSystem system;
  const RunExplanation run =
      ExplainRun(Outcomes(std::nullopt, {Failed("netbios", 5), Failed("admin_share", 5),
                                         Failed("scm", 5), Failed("server_info_503", 124)}),
                 As(LogonAccount::kNamed), system);
  ASSERT_EQ(4u, run.items.size());
  // NetBIOS's 5 is its own time-out, not access denied; SMB answered.
  EXPECT_EQ(L"code 0x5", run.items[0].code_text);
  EXPECT_TRUE(run.items[0].expected);
  EXPECT_NE(std::wstring::npos, run.items[0].cause.find(L"SMB server answered"));
  // A level the server does not serve is no fault.
  EXPECT_TRUE(run.items[1].expected);
  // A named account refused ADMIN$ and the service manager: not an
  // administrator, or a local one under the remote restriction; the two
  // are told alike.
  EXPECT_NE(std::wstring::npos, run.items[2].next.find(L"LocalAccountTokenFilterPolicy"));
  EXPECT_EQ(run.items[2].cause, run.items[3].cause);
  EXPECT_FALSE(run.items[2].expected);
  EXPECT_EQ("access_denied", run.verdict.kind);
  EXPECT_EQ((std::vector<int>{-1, 0, -1, -1, -1, -1, 1, -1, -1, -1, -1, -1, -1, 2, 3}),
            run.item_of);
}

TEST(ExplainTest, ACodeMeansOneThingButItsCauseFollowsTheRestOfTheRun) {
  FakeSystem system;
  struct Case {
    std::vector<CheckOutcome> outcomes;
    std::wstring cause_begins;
  } cases[] = {
      {Outcomes(53, {Failed("ping", std::nullopt), Failed("netbios", 5)}),
       L"No SMB server answered"},
      {Outcomes(53), L"The computer answers ping, but no SMB server"},
      {Outcomes(53, {Failed("ping", std::nullopt)}), L"The computer is on (it answers NetBIOS)"},
      {Outcomes(53, {Failed("resolve", 11001), Failed("ping", 11001)}),
       L"The name did not resolve"},
      {Outcomes(std::nullopt, {Failed("registry", 53)}),
       L"The computer answers SMB, but its "
       L"registry cannot be reached"},
  };
  for (const Case& c : cases) {
    const RunExplanation run = ExplainRun(c.outcomes, std::nullopt, system);
    const auto registry = static_cast<size_t>(run.item_of[7]);
    EXPECT_EQ(0u, run.items[registry].cause.find(c.cause_begins)) << run.items[registry].cause;
  }
}

TEST(ExplainTest, SystemCodesTakeTheSystemsOwnWordsOtherCodesNever) {
  FakeSystem system;
  system.messages[53] = L"Le chemin d'acc\u00e8s r\u00e9seau n'a pas \u00e9t\u00e9 trouv\u00e9.";
  system.messages[11003] = L"Serveur DNS en panne.";
  const RunExplanation run = ExplainRun(
      {Passed("resolve"), Failed("netbios", 53), Failed("admin_share", 53)}, std::nullopt, system);
  ASSERT_EQ(2u, run.items.size());
  EXPECT_EQ(L"A NetBIOS return code (see the NCB structure's ncb_retcode values).",
            run.items[0].meaning);
  EXPECT_EQ(system.messages[53], run.items[1].meaning);
  CheckOutcome library_ping = Failed("ping", 11003);
  library_ping.With("method", L"library");
  const RunExplanation ping = ExplainRun({library_ping}, std::nullopt, system);
  EXPECT_EQ(L"Destination host unreachable.", ping.items[0].meaning);
  EXPECT_EQ(system.messages[11003],
            ExplainRun({Failed("resolve", 11003)}, std::nullopt, system).items[0].meaning);
}

TEST(ExplainTest, TextTellsTheVerdictThenChecksThatFailedAlikeTogether) {
  FakeSystem system;
  const RunExplanation run = ExplainRun(
      Outcomes(53, {Failed("ping", std::nullopt), Failed("scm", 1722), Failed("netbios", 5)}),
      std::nullopt, system);
  EXPECT_EQ(
      L"\n"
      L"Verdict: no SMB server answered on ports 445 or 139, and the computer does not\n"
      L"    answer ping: it is off, unreachable from here, or a firewall drops\n"
      L"    everything\n"
      L"\n"
      L"NetBIOS adapter status, code 0x5:\n"
      L"  Meaning: The command timed out: no NetBIOS answer came back.\n"
      L"  Cause: Nothing answered on UDP port 137 of the address: often the computer is\n"
      L"    off or unreachable, NetBIOS over TCP/IP is disabled on its adapter, or a\n"
      L"    firewall drops NetBIOS name traffic.\n"
      L"  Next: See the verdict: if the SMB checks passed, this does not matter for\n"
      L"    administration.\n"
      L"\n"
      L"Ping, no code:\n"
      L"  Meaning: No echo reply arrived within the time-out of one second.\n"
      L"  Cause: Often the computer is off or unreachable, or a firewall drops ICMP\n"
      L"    echo (Windows Defender Firewall does unless its File and Printer Sharing\n"
      L"    (Echo Request - ICMPv4-In) rule is enabled, or for an IPv6 address its\n"
      L"    ICMPv6-In rule).\n"
      L"  Next: See the verdict: if the SMB checks passed, the computer is up and only\n"
      L"    ICMP is filtered.\n"
      L"\n"
      L"Server information levels 100, 101, 102 and 503, Remote registry connection,\n"
      L"    Registry key CurrentVersion (read), Registry key Winlogon (read), Registry\n"
      L"    key Winlogon (full access), Registry key ComputerName (read), Registry key\n"
      L"    TcpIp\\Parameters (read) and ADMIN$ share, code 00000035 (53):\n"
      L"  Meaning: The network path was not found: no SMB server could be reached.\n"
      L"  Cause: No SMB server answered on port 445 or 139: often the computer is off\n"
      L"    or unreachable, its firewall blocks File and Printer Sharing (a rule\n"
      L"    enabled for Domain and Private networks only, on a network the computer\n"
      L"    counts as Public), or its Server service is stopped.\n"
      L"  Next: Check that the computer is on; enable the File and Printer Sharing\n"
      L"    (SMB-In) firewall rule for its network's profile; check that the Server\n"
      L"    service (LanmanServer) runs.\n"
      L"\n"
      L"Service control manager, code 000006BA (1722):\n"
      L"  Meaning: The RPC server is unavailable.\n"
      L"  Cause: The service's RPC pipe could not be reached: often no SMB server\n"
      L"    answered at all (see the lines before), the computer is off, or a firewall\n"
      L"    blocks it.\n"
      L"  Next: Check that the computer is on and that File and Printer Sharing is\n"
      L"    allowed in its firewall.\n",
      ExplanationText(run));
}

// Every code the program names has a row that describes it: system error
// codes on a row for every check, IP statuses on the library ping's,
// NetBIOS return codes on the adapter status's.
TEST(ExplanationTableTest, EveryCodeTheProgramNamesIsDescribed) {
  static constexpr const char* kHeaders[] = {
#include "named_codes.inc"
  };
  const auto described = [](std::string_view check, int64_t code) {
    for (const ExplanationRow& row : ExplanationTable()) {
      if (row.check == check && row.code == code && row.meaning != nullptr) return true;
    }
    return false;
  };
  const std::regex named(R"re(\b(k\w+|IP_\w+|NRC_\w+) = (0x[0-9A-Fa-f]+|\d+);)re");
  int seen = 0;
  for (const std::string text : kHeaders) {
    for (auto it = std::sregex_iterator(text.begin(), text.end(), named);
         it != std::sregex_iterator(); ++it) {
      const std::string name = (*it)[1];
      const int64_t code = std::stoll((*it)[2], nullptr, 0);
      if (name == "IP_SUCCESS" || name == "IP_STATUS_BASE" || name == "NRC_GOODRET") continue;
      const std::string_view check = name.rfind("IP_", 0) == 0    ? "ping:library"
                                     : name.rfind("NRC_", 0) == 0 ? "netbios"
                                                                  : "";
      EXPECT_TRUE(described(check, code)) << name << " = " << code;
      ++seen;
    }
  }
  EXPECT_GT(seen, 80);
}

}  // namespace
}  // namespace winreach
