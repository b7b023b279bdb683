#include "smb/smb2_connection.h"

#include <gtest/gtest.h>

#include <cstring>

#include "smb/nt_status.h"
#include "tests/support/hex.h"
#include "tests/support/scripted_smb2_server.h"

namespace winreach::smb {
namespace {

using testing::ScriptedSmb2Server;
using testing::Seal;
using testing::Smb2Reply;

const Bytes kKey = testing::Hex("000102030405060708090a0b0c0d0e0f");

bool Random(std::span<uint8_t> out) {
  std::memset(out.data(), 0x11, out.size());
  return true;
}

SmbResult Fault(ProtocolFault fault) { return SmbResult::Protocol(fault); }

void ExpectResult(const SmbResult& actual, const SmbResult& expected) {
  EXPECT_EQ(actual.kind, expected.kind);
  EXPECT_EQ(actual.fault, expected.fault);
  EXPECT_EQ(actual.status, expected.status);
}

struct Client {
  explicit Client(ClientSettings settings = {}) : connection(server, settings, Random) {}

  SmbResult LogOn(const NegotiateResponse& negotiation, uint16_t session_flags, Seal seal) {
    testing::ScriptLogon(server, negotiation, kKey, session_flags, seal);
    if (SmbResult r = connection.Negotiate(); !r.ok()) return r;
    testing::FixedLogon logon(kKey);
    return connection.SessionSetup(logon);
  }
  SmbResult LogOn(Dialect dialect, uint16_t session_flags, Seal seal) {
    return LogOn(testing::ServerNegotiation(dialect), session_flags, seal);
  }

  ScriptedSmb2Server server;
  Smb2Connection connection;
};

TEST(Smb2ConnectionTest, LogonChecksTheFinalAnswerAsTheDialectDemands) {
  const struct {
    Dialect dialect;
    uint16_t session_flags;
    Seal seal;
    SmbResult expected;
    bool signing;
  } cases[] = {
      {Dialect::k311, 0, Seal::kSigned, SmbResult::Ok(), true},
      // 3.1.1's last answer proves the server saw the whole negotiation.
      {Dialect::k311, 0, Seal::kPlain, Fault(ProtocolFault::kBadSignature), false},
      {Dialect::k311, 0, Seal::kBadlySigned, Fault(ProtocolFault::kBadSignature), false},
      {Dialect::k302, 0, Seal::kPlain, SmbResult::Ok(), true},
      {Dialect::k302, 0, Seal::kBadlySigned, Fault(ProtocolFault::kBadSignature), false},
      {Dialect::k210, 0, Seal::kSigned, SmbResult::Ok(), true},
      // A guest has no key the server shares: nothing to sign with.
      {Dialect::k311, kSessionFlagIsGuest, Seal::kPlain, SmbResult::Ok(), false},
      {Dialect::k311, kSessionFlagIsNull, Seal::kPlain, SmbResult::Ok(), false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    Client client;
    ExpectResult(client.LogOn(c.dialect, c.session_flags, c.seal), c.expected);
    EXPECT_EQ(client.connection.session().signing, c.signing);
  }
}

TEST(Smb2ConnectionTest, NoCreditGrantedStopsTheNextRequest) {
  Client client;
  NegotiateResponse negotiation = testing::ServerNegotiation(Dialect::k311);
  client.server.Answer({Command::kNegotiate, 0, testing::NegotiateBody(negotiation), Seal::kPlain,
                        /*credits=*/0});
  ASSERT_TRUE(client.connection.Negotiate().ok());
  testing::FixedLogon logon(kKey);
  ExpectResult(client.connection.SessionSetup(logon), Fault(ProtocolFault::kNoCredits));
  EXPECT_EQ(client.server.requests.size(), 1u);
}

TEST(Smb2ConnectionTest, SmbOneAnswerToTheNegotiateIsNoCommonDialect) {
  Client client;
  client.server.Answer(Smb2Reply::Raw(
      testing::Hex("ff534d4272000000008801c8000000000000000000000000ffff000000000000")));
  ExpectResult(client.connection.Negotiate(), Fault(ProtocolFault::kNoCommonDialect));
}

// Answers to a tree connect on a signed 3.1.1 session.
TEST(Smb2ConnectionTest, AnswersOnASigningSession) {
  const Bytes tree = testing::TreeConnectBody(kShareTypePipe);
  const Smb2Reply pending{Command::kTreeConnect, kStatusPending, testing::ErrorBody(), Seal::kPlain,
                          1, kFlagAsyncCommand};
  const struct {
    std::vector<Smb2Reply> replies;
    SmbResult expected;
  } cases[] = {
      {{{Command::kTreeConnect, 0, tree, Seal::kSigned}}, SmbResult::Ok()},
      // The interim answer is never signed; the final one is.
      {{pending, pending, {Command::kTreeConnect, 0, tree, Seal::kSigned}}, SmbResult::Ok()},
      {{pending, {Command::kTreeConnect, 0, tree, Seal::kPlain}},
       Fault(ProtocolFault::kBadSignature)},
      {{{Command::kTreeConnect, 0, tree, Seal::kPlain}}, Fault(ProtocolFault::kBadSignature)},
      {{{Command::kTreeConnect, 0, tree, Seal::kBadlySigned}}, Fault(ProtocolFault::kBadSignature)},
      {{{Command::kTreeConnect, 0, tree, Seal::kSigned, 1, 0, /*message_id=*/7}},
       Fault(ProtocolFault::kUnexpected)},
      {{{Command::kCreate, 0, tree, Seal::kSigned}}, Fault(ProtocolFault::kUnexpected)},
      {{{Command::kTreeConnect, kStatusAccessDenied, testing::ErrorBody(), Seal::kSigned}},
       SmbResult::Status(kStatusAccessDenied)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Client client;
    ASSERT_TRUE(client.LogOn(Dialect::k311, 0, Seal::kSigned).ok());
    for (const Smb2Reply& reply : cases[i].replies) client.server.Answer(reply);
    uint32_t tree_id = 0;
    ExpectResult(client.connection.TreeConnect(u"\\\\server\\IPC$", &tree_id), cases[i].expected);
    EXPECT_NE(client.server.requests.back().header.flags & kFlagSigned, 0u);
  }
}

TEST(Smb2ConnectionTest, GuestNeverSignsItsRequests) {
  Client client;
  ASSERT_TRUE(client.LogOn(Dialect::k311, kSessionFlagIsGuest, Seal::kPlain).ok());
  client.server.Answer({Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe)});
  uint32_t tree_id = 0;
  ASSERT_TRUE(client.connection.TreeConnect(u"\\\\server\\IPC$", &tree_id).ok());
  EXPECT_EQ(client.server.requests.back().header.flags & kFlagSigned, 0u);
}

TEST(Smb2ConnectionTest, ValidateNegotiateCatchesAChangedNegotiation) {
  const NegotiateResponse negotiation = testing::ServerNegotiation(Dialect::k302);
  const Guid guid = negotiation.server_guid;
  Guid other_guid = guid;
  other_guid[0] ^= 1;
  const uint16_t mode = negotiation.security_mode;
  const struct {
    Bytes output;
    uint32_t status;
    SmbResult expected;
  } cases[] = {
      {testing::ValidateNegotiateOutput(0, guid, mode, kDialect302), 0, SmbResult::Ok()},
      {testing::ValidateNegotiateOutput(0, guid, mode, kDialect300), 0,
       Fault(ProtocolFault::kDowngrade)},
      {testing::ValidateNegotiateOutput(0, other_guid, mode, kDialect302), 0,
       Fault(ProtocolFault::kDowngrade)},
      {testing::ValidateNegotiateOutput(kCapEncryption, guid, mode, kDialect302), 0,
       Fault(ProtocolFault::kDowngrade)},
      {testing::ValidateNegotiateOutput(0, guid, kSigningRequired, kDialect302), 0,
       Fault(ProtocolFault::kDowngrade)},
      {{}, kStatusAccessDenied, Fault(ProtocolFault::kDowngrade)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Client client;
    ASSERT_TRUE(client.LogOn(negotiation, 0, Seal::kSigned).ok());
    client.server.Answer(
        {Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe), Seal::kSigned});
    const Bytes body = cases[i].status == 0
                           ? testing::IoctlBody(kFsctlValidateNegotiateInfo, kNoFileId,
                                                cases[i].output)
                           : testing::ErrorBody();
    client.server.Answer({Command::kIoctl, cases[i].status, body, Seal::kSigned});
    uint32_t tree_id = 0;
    ExpectResult(client.connection.TreeConnect(u"\\\\server\\IPC$", &tree_id), cases[i].expected);
    EXPECT_EQ(client.server.requests.back().header.command, Command::kIoctl);
  }
}

TEST(Smb2ConnectionTest, EncryptingSessionSendsTransformsAndRefusesPlainAnswers) {
  const struct {
    Dialect dialect;
    Seal seal;
    SmbResult expected;
  } cases[] = {
      {Dialect::k311, Seal::kEncrypted, SmbResult::Ok()},
      {Dialect::k311, Seal::kSigned, Fault(ProtocolFault::kBadEncryption)},
      {Dialect::k302, Seal::kEncrypted, SmbResult::Ok()},
      {Dialect::k302, Seal::kSigned, Fault(ProtocolFault::kBadEncryption)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Client client;
    const NegotiateResponse negotiation =
        testing::ServerNegotiation(cases[i].dialect, kCapEncryption);
    ASSERT_TRUE(client.LogOn(negotiation, kSessionFlagEncryptData, Seal::kSigned).ok());
    EXPECT_TRUE(client.connection.session().encrypting);
    client.server.Answer(
        {Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe), cases[i].seal});
    const Bytes validated = testing::ValidateNegotiateOutput(
        kCapEncryption, negotiation.server_guid, negotiation.security_mode, kDialect302);
    client.server.Answer({Command::kIoctl, 0,
                          testing::IoctlBody(kFsctlValidateNegotiateInfo, kNoFileId, validated),
                          Seal::kEncrypted});
    uint32_t tree_id = 0;
    ExpectResult(client.connection.TreeConnect(u"\\\\server\\IPC$", &tree_id), cases[i].expected);
    EXPECT_TRUE(client.server.requests.back().encrypted);
  }
}

}  // namespace
}  // namespace winreach::smb
