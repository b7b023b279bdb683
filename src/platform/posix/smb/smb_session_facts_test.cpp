#include "platform/posix/smb/smb_session_facts.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace winreach {
namespace {

// Lines as libsmbclient 4.17 logs them (level 10) for an IPC$ pipe opened
// on a Samba server; the dumps and other lines between them left out.
constexpr const char* kConnect = "Connecting to 10.77.7.21 at port 445\n";
constexpr const char* kAsAdministrator =
    "cli_session_setup_spnego_send: Connect to signing as administrator@WRTEST using SPNEGO\n";
constexpr const char* kAsNobody =
    "cli_session_setup_spnego_send: Connect to testhost as (null) using SPNEGO\n";
constexpr const char* kNtlmssp = "Starting GENSEC submechanism ntlmssp\n";
constexpr const char* kKrb5 = "Starting GENSEC submechanism gse_krb5\n";
constexpr const char* kMicChecked = "ntlmssp_check_packet: NTLMSSP signature OK !\n";
constexpr const char* kSessionUp = " session setup ok\n";
constexpr const char* kSignedGmac = "signed SMB2 message (sign_algo_id=2)\n";
constexpr const char* kTreeUp = " tconx ok\n";
constexpr const char* kOpen =
    "map_open_params_to_ntcreate: fname = \\srvsvc, deny_mode = 0x42, open_func = 0x1\n";
constexpr const char* kEncrypted = "smb2_signing_encrypt_pdu: Encrypted SMB2 message\n";

SmbConnectionLog Read(std::initializer_list<const char*> lines, LogonMethod chosen,
                      bool offered = true) {
  SmbConnectionLog log;
  bool established = false;
  for (const char* line : lines) {
    log.Read(line);
    if (std::string_view(line) == kTreeUp && !established) {
      log.Established(chosen, offered);
      established = true;
    }
  }
  return log;
}

TEST(SmbConnectionLogTest, NtlmLogonOnSigningServerIsNamedSignedAndSmb311) {
  const auto facts = Read({kConnect, kAsAdministrator, kNtlmssp, kMicChecked, kSessionUp,
                           kSignedGmac, kTreeUp, kOpen, kOpen, kSignedGmac},
                          LogonMethod::kNtlm)
                         .FirstConnection();
  ASSERT_TRUE(facts);
  EXPECT_EQ(L"10.77.7.21", facts->server);
  EXPECT_EQ(445, facts->port);
  EXPECT_EQ(LogonMethod::kNtlm, facts->method);
  EXPECT_EQ(LogonAccount::kNamed, facts->account);
  EXPECT_EQ(L"WRTEST\\administrator", facts->name);
  EXPECT_EQ(L"3.1.1", facts->dialect);
  EXPECT_EQ(std::optional<bool>(true), facts->signing);
  EXPECT_EQ(std::optional<bool>(false), facts->encryption);
  EXPECT_TRUE(facts->credentials_offered);
}

TEST(SmbConnectionLogTest, OnlyTheTreeConnectSignedIsAnUnsignedSession) {
  const auto facts = Read({kConnect, kAsAdministrator, kNtlmssp, kMicChecked, kSessionUp,
                           kSignedGmac, kTreeUp, kOpen},
                          LogonMethod::kNtlm)
                         .FirstConnection();
  EXPECT_EQ(std::optional<bool>(false), facts->signing);
  EXPECT_EQ(LogonAccount::kNamed, facts->account);
}

TEST(SmbConnectionLogTest, SignedTreeConnectAfterAnUnsignedOpenIsNotTheSessionsSigning) {
  const auto facts = Read({kConnect, kAsAdministrator, kNtlmssp, kMicChecked, kSessionUp,
                           kSignedGmac, kTreeUp, kOpen,
                           "SMBC_server: server_n=[signing] server=[signing]\n", kSignedGmac,
                           kTreeUp},
                          LogonMethod::kNtlm)
                         .FirstConnection();
  EXPECT_EQ(std::optional<bool>(false), facts->signing);
}

TEST(SmbConnectionLogTest, NameTheServerNeverProvedToKnowIsItsGuest) {
  const auto facts =
      Read({kConnect, kAsAdministrator, kNtlmssp, kSessionUp, kTreeUp, kOpen}, LogonMethod::kNtlm)
          .FirstConnection();
  EXPECT_EQ(LogonAccount::kGuest, facts->account);
  EXPECT_EQ(L"", facts->name);
  EXPECT_EQ(L"", facts->dialect);  // nothing signed: not told
}

TEST(SmbConnectionLogTest, NullNameIsAnonymousWhateverWasChosen) {
  const auto facts =
      Read({kConnect, kAsNobody, kNtlmssp, kSessionUp, kTreeUp, kOpen}, LogonMethod::kKerberos)
          .FirstConnection();
  EXPECT_EQ(LogonMethod::kAnonymous, facts->method);
  EXPECT_EQ(LogonAccount::kAnonymous, facts->account);
  EXPECT_EQ(std::optional<bool>(false), facts->signing);
}

TEST(SmbConnectionLogTest, KerberosAccountIsNotTheLoggedName) {
  const auto facts = Read({kConnect, kAsAdministrator, kKrb5, kSessionUp, kSignedGmac, kTreeUp},
                          LogonMethod::kKerberos)
                         .FirstConnection();
  EXPECT_EQ(LogonMethod::kKerberos, facts->method);
  EXPECT_EQ(LogonAccount::kUnknown, facts->account);
  EXPECT_FALSE(facts->signing);  // nothing opened yet: not known

  SmbConnectionLog log;
  for (const char* line : {kConnect, kAsAdministrator, kKrb5, kSessionUp}) log.Read(line);
  log.Established(LogonMethod::kKerberos, true, "administrator@WRDOM.TEST");
  EXPECT_EQ(L"administrator@WRDOM.TEST", log.FirstConnection()->name);
}

TEST(SmbConnectionLogTest, EncryptedSessionIsSmb3AndNotSigned) {
  const auto facts = Read({kConnect, kAsAdministrator, kNtlmssp, kMicChecked, kSessionUp,
                           kEncrypted, kTreeUp, kOpen, kEncrypted},
                          LogonMethod::kNtlm)
                         .FirstConnection();
  EXPECT_EQ(L"3.x", facts->dialect);
  EXPECT_EQ(std::optional<bool>(true), facts->encryption);
  EXPECT_EQ(std::optional<bool>(false), facts->signing);
}

TEST(SmbConnectionLogTest, FirstEstablishedConnectionStaysWhenOthersFollow) {
  SmbConnectionLog log;
  log.Read("Connecting to 10.77.7.27 at port 445\n");  // refused
  log.Read("Connecting to fd77::2 at port 139\n");
  log.Read(kAsNobody);
  log.Read(kSessionUp);
  log.Established(LogonMethod::kAnonymous, false);
  log.Read(kOpen);
  log.Read(kConnect);  // the next share's connection
  log.Read(kAsAdministrator);
  log.Read(kMicChecked);
  log.Read(kSessionUp);
  log.Established(LogonMethod::kNtlm, true);
  const auto facts = log.FirstConnection();
  EXPECT_EQ(L"fd77::2", facts->server);
  EXPECT_EQ(139, facts->port);
  EXPECT_EQ(LogonAccount::kAnonymous, facts->account);
  EXPECT_FALSE(facts->credentials_offered);
}

TEST(SmbConnectionLogTest, GarbledAndLyingLinesTellNothing) {
  SmbConnectionLog log;
  EXPECT_FALSE(log.FirstConnection());
  for (const char* line :
       {"Connecting to 10.0.0.1 at port 99999", "Connecting to 10.0.0.1 at port ",
        "Connecting to \x1b[31mx at port 445", "Connecting to  at port 445", "Connecting to",
        "cli_session_setup_spnego_send: Connect to h as", "cli_session_setup_spnego_send: "
        "Connect to h as x using SPNEGO and more", "cli_session_setup_spnego_send: Connect to h",
        "signed SMB2 message (sign_algo_id=)", "signed SMB2 message (sign_algo_id=2",
        "signed SMB2 message (sign_algo_id=123)", "", "\n"}) {
    log.Read(line);
  }
  log.Established(LogonMethod::kUnknown, false);
  const auto facts = log.FirstConnection();
  ASSERT_TRUE(facts);
  EXPECT_EQ(L"", facts->server);
  EXPECT_EQ(0, facts->port);
  EXPECT_EQ(LogonMethod::kUnknown, facts->method);
  EXPECT_EQ(LogonAccount::kUnknown, facts->account);
  EXPECT_EQ(L"", facts->dialect);
  EXPECT_FALSE(facts->signing);
}

}  // namespace
}  // namespace winreach
