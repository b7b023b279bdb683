// --explain never contradicts itself: over outcome patterns of every verdict
// kind, on Linux's conditions (this program logs on, and knows whom the
// server took) and Windows' (the system logs on; nothing of the logon is
// known), no text claims an answer no check proved, and no verdict or text
// contradicts a check that passed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "driver/explain.h"
#include "platform/fake/fake_system.h"

namespace winreach {
namespace {

CheckOutcome Passed(std::string check) { return {std::move(check), true, {}, 0, {}}; }
CheckOutcome Failed(std::string check, std::optional<uint32_t> code) {
  return {std::move(check), false, code, 0, {}};
}

const char* const kRemote[] = {"server_info_100",
                               "server_info_101",
                               "server_info_102",
                               "server_info_503",
                               "registry",
                               "registry_current_version",
                               "registry_winlogon_read",
                               "registry_winlogon_full",
                               "registry_computer_name",
                               "registry_tcpip",
                               "admin_share",
                               "scm"};

// A run whose NetBIOS and ping lines are `netbios` and `ping` (nullopt:
// passed; 0x05 / no code: silent), every SMB line `remote` (nullopt:
// passed), then `overrides` in place of the lines they name.
std::vector<CheckOutcome> Outcomes(bool netbios, bool ping, std::optional<uint32_t> remote,
                                   std::vector<CheckOutcome> overrides = {}) {
  std::vector<CheckOutcome> outcomes = {Passed("resolve"),
                                        netbios ? Passed("netbios") : Failed("netbios", 0x05),
                                        ping ? Passed("ping") : Failed("ping", std::nullopt)};
  for (const char* id : kRemote) outcomes.push_back(remote ? Failed(id, remote) : Passed(id));
  for (CheckOutcome& replacement : overrides) {
    for (CheckOutcome& outcome : outcomes) {
      if (outcome.check == replacement.check) outcome = replacement;
    }
  }
  return outcomes;
}

std::optional<SessionFacts> As(LogonAccount account, LogonMethod method = LogonMethod::kNtlm) {
  SessionFacts facts;
  facts.account = account;
  facts.method = method;
  return facts;
}

struct Pattern {
  const char* name;
  std::vector<CheckOutcome> outcomes;
  std::optional<SessionFacts> session;  // Linux's; Windows knows none
  bool answered;                        // a server answered, as the outcomes show
  std::string linux_kind, windows_kind;
  const wchar_t* must_say = nullptr;  // on both platforms, in some text
  const wchar_t* linux_says = nullptr;
  const wchar_t* windows_says = nullptr;
};

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

bool Says(const std::wstring& text, const wchar_t* words) {
  return Lower(text).find(Lower(words)) != std::wstring::npos;
}

// A claim that some server answered, not the denial "no SMB server answered".
bool ClaimsAnAnswer(const std::wstring& text) {
  std::wstring rest = Lower(text);
  for (size_t at; (at = rest.find(L"no smb server answered")) != std::wstring::npos;) {
    rest.erase(at, 22);
  }
  return Says(rest, L"server answered") || Says(rest, L"answers smb") ||
         Says(rest, L"reachable, but") || Says(rest, L"dialect in common");
}

TEST(ExplainConsistencyTest, NoTextClaimsWhatNoCheckShowedOrDeniesWhatOneDid) {
  const auto named = As(LogonAccount::kNamed);
  const auto kerberos = As(LogonAccount::kNamed, LogonMethod::kKerberos);
  std::vector<Pattern> patterns = {
      {"everything passes", Outcomes(true, true, {}), named, true, "administrable",
       "administrable"},
      {"level 503 not served, ping filtered",
       Outcomes(true, false, {}, {Failed("server_info_503", 124)}), named, true, "administrable",
       "administrable"},
      {"anonymous against a healthy host",
       Outcomes(true, true, 5, {Passed("server_info_100"), Passed("server_info_101")}),
       As(LogonAccount::kAnonymous), true, "access_denied", "access_denied"},
      {"guest refused ADMIN$ and the service manager",
       Outcomes(true, true, {}, {Failed("admin_share", 5), Failed("scm", 5)}),
       As(LogonAccount::kGuest), true, "access_denied", "access_denied"},
      {"the test host's administrator: three keys refuse him (Samba's registry)",
       Outcomes(true, true, {},
                {Failed("registry_current_version", 5), Failed("registry_winlogon_read", 5),
                 Failed("registry_winlogon_full", 5)}),
       named, true, "partly", "partly", L"64-bit view"},
      {"this computer, nothing on 445 or 139; ADMIN$ 161",
       Outcomes(false, true, 53, {Failed("admin_share", 161), Failed("scm", 1722)}), std::nullopt,
       false, "no_smb_server", "no_smb_server"},
      {"this computer's own SMB client is stopped", Outcomes(false, true, 2138), std::nullopt,
       false, "not_started", "not_started", L"LanmanWorkstation"},
      {"a connection under other credentials", Outcomes(false, true, 1219), std::nullopt, false,
       "logon_refused", "logon_refused", nullptr, nullptr, L"IPC$ /delete"},
      {"no route, and a connection with other credentials",
       Outcomes(false, false, 1231, {Failed("admin_share", 1232), Failed("scm", 1219)}),
       std::nullopt, false, "no_answer", "no_answer", nullptr, nullptr, L"IPC$ /delete"},
      {"NetBIOS answers, ping and SMB are silent", Outcomes(true, false, 53, {Failed("scm", 1722)}),
       std::nullopt, false, "netbios_only", "netbios_only", L"Public"},
      {"a server that connected, then stalled", Outcomes(false, false, 121), std::nullopt, false,
       "stalled", "stalled", nullptr, L"run's time"},
      {"one 50 among several 5s", Outcomes(true, true, 5, {Failed("server_info_503", 50)}), named,
       true, "partly", "partly"},
      {"levels 100 and 101 refused, the rest passes",
       Outcomes(true, true, {}, {Failed("server_info_100", 5), Failed("server_info_101", 5)}),
       named, true, "partly", "partly", L"needs no group membership"},
      {"only the registry refuses",
       Outcomes(true, true, {}, {Failed("registry", 5), Failed("registry_current_version", 5)}),
       named, true, "partly", "partly", L"SecurePipeServers"},
      {"registry 1722 while everything else works",
       Outcomes(true, true, {}, {Failed("registry", 1722)}), named, true, "partly", "partly",
       L"Remote Registry service is stopped or disabled"},
      {"a local administrator refused everything administrative",
       Outcomes(true, true, 5, {Passed("server_info_100"), Passed("server_info_101")}), named, true,
       "access_denied", "access_denied", L"LocalAccountTokenFilterPolicy", L"USER=DOMAIN",
       L"runas /netonly"},
      {"a domain administrator (Kerberos) refused ADMIN$",
       Outcomes(true, true, {}, {Failed("admin_share", 5), Failed("scm", 5)}), kerberos, true,
       "access_denied", "access_denied"},
      {"the service manager refuses while ADMIN$ passes",
       Outcomes(true, true, {}, {Failed("scm", 5)}), named, true, "partly", "partly", nullptr,
       L"sc sdshow", L"net use"},
      {"the service manager cannot be called while SMB works",
       Outcomes(true, true, {}, {Failed("scm", 1722)}), named, true, "partly", "partly",
       L"DisableRemoteScmEndpoints"},
      {"refusing host, answers ping", Outcomes(false, true, 53, {Failed("scm", 1722)}),
       std::nullopt, false, "no_smb_server", "no_smb_server"},
      {"silent host", Outcomes(false, false, 53, {Failed("scm", 1722)}), std::nullopt, false,
       "no_answer", "no_answer"},
      {"unknown name",
       Outcomes(false, false, 53, {Failed("resolve", 11001), Failed("ping", 11001)}), std::nullopt,
       false, "unresolved", "unresolved"},
      {"no Windows Sockets",
       {Failed("startup", 10091)},
       std::nullopt,
       false,
       "not_started",
       "not_started"},
      {"no dialect in common (50)", Outcomes(true, true, 50), std::nullopt, true,
       "no_common_dialect", "partly"},
      {"the server drops the session (64)", Outcomes(true, true, 64), std::nullopt, true, "partly",
       "partly", nullptr, nullptr, L"SMB1"},
      {"a negotiation changed on the way", Outcomes(true, true, 1265), named, true, "partly",
       "partly", L"changed the negotiation on the way"},
  };
  // Each logon refusal, on every line.
  for (const uint32_t code : {86u, 1272u, 1311u, 1317u, 1326u, 1327u, 1328u, 1329u, 1330u, 1331u,
                              1385u, 1396u, 1398u, 1789u, 1793u, 1907u, 1909u, 1937u}) {
    patterns.push_back({"a logon refused on every line", Outcomes(true, true, code), std::nullopt,
                        true, "logon_refused", "logon_refused", nullptr, nullptr,
                        code == 1326   ? L"cmdkey /list"
                        : code == 1937 ? L"Outgoing NTLM"
                                       : nullptr});
  }

  for (const bool windows : {false, true}) {
    FakeSystem system;
    system.remote_logon = windows ? RemoteLogon::kSystem : RemoteLogon::kProgram;
    // Windows' own text for 1265 speaks of a domain controller: never shown.
    if (windows) system.messages[1265] = L"The system cannot contact a domain controller.";
    for (const Pattern& p : patterns) {
      const std::string where = std::string(p.name) + (windows ? " (Windows)" : " (Linux)");
      const RunExplanation run =
          ExplainRun(p.outcomes, windows ? std::optional(SessionFacts{}) : p.session, system);
      EXPECT_EQ(windows ? p.windows_kind : p.linux_kind, run.verdict.kind) << where;

      bool pinged = false, netbios = false, admin = false;
      for (const CheckOutcome& outcome : p.outcomes) {
        pinged = pinged || (outcome.check == "ping" && outcome.ok);
        netbios = netbios || (outcome.check == "netbios" && outcome.ok);
        admin = admin || ((outcome.check == "admin_share" || outcome.check == "scm") && outcome.ok);
      }
      // UAC filters only local accounts: not Kerberos, guest or anonymous.
      const bool not_filtered = admin || (!windows && p.session &&
                                          (p.session->method == LogonMethod::kKerberos ||
                                           p.session->account != LogonAccount::kNamed));
      std::vector<std::wstring> texts = {run.verdict.text};
      for (const Explanation& item : run.items) {
        texts.insert(texts.end(), {item.meaning, item.cause, item.next});
      }
      const wchar_t* const musts[] = {p.must_say, windows ? p.windows_says : p.linux_says};
      bool said[] = {musts[0] == nullptr, musts[1] == nullptr};
      for (const std::wstring& text : texts) {
        for (int k : {0, 1}) said[k] = said[k] || (musts[k] != nullptr && Says(text, musts[k]));
        const std::string at = where + ": " + std::string(text.begin(), text.end());
        EXPECT_FALSE(!p.answered && ClaimsAnAnswer(text)) << at;
        EXPECT_FALSE(p.answered && Says(text, L"no SMB server answered")) << at;
        EXPECT_FALSE(pinged && Says(text, L"does not answer ping")) << at;
        EXPECT_FALSE((pinged || netbios || p.answered) &&
                     (Says(text, L"is off") || Says(text, L"off or unreachable")))
            << at;
        EXPECT_FALSE(not_filtered && Says(text, L"UAC")) << at;
        EXPECT_FALSE(admin && Says(text, L"may not administer")) << at;
        for (const wchar_t* other :
             windows ? std::vector<const wchar_t*>{L"kinit", L"PASSWD", L"USER=", L"smb.conf",
                                                   L"--verbose tells", L"run's time"}
                     : std::vector<const wchar_t*>{L"runas", L"Credential Manager", L"cmdkey",
                                                   L"net use"}) {
          EXPECT_FALSE(Says(text, other)) << at;
        }
        EXPECT_FALSE(Says(text, L"cannot contact a domain controller")) << at;
      }
      EXPECT_TRUE(said[0] && said[1]) << where << ": nothing says what it must";
    }
  }
}

}  // namespace
}  // namespace winreach
