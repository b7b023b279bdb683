#include "smb/smb2_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "smb/nt_status.h"
#include "tests/support/hex.h"
#include "tests/support/scripted_smb2_server.h"

namespace winreach::smb {
namespace {

using testing::Seal;
using testing::Smb2Reply;

const Bytes kKey = testing::Hex("000102030405060708090a0b0c0d0e0f");
constexpr std::u16string_view kIpc = u"\\\\server\\IPC$";
const SmbResult kOk = SmbResult::Ok();
const SmbResult kBadSignature = SmbResult::Protocol(ProtocolFault::kBadSignature);
const SmbResult kDowngrade = SmbResult::Protocol(ProtocolFault::kDowngrade);

void ExpectResult(const SmbResult& actual, const SmbResult& expected) {
  EXPECT_EQ(actual.kind, expected.kind);
  EXPECT_EQ(actual.fault, expected.fault);
  EXPECT_EQ(actual.status, expected.status);
}

struct Client {
  explicit Client(ClientSettings settings = {})
      : connection{server, settings, [](std::span<uint8_t> out) {
                     std::memset(out.data(), 0x11, out.size());
                     return true;
                   }} {}
  SmbResult LogOn(const NegotiateResponse& negotiation, uint16_t session_flags, Seal seal,
                  LogonMechanism mechanism = LogonMechanism::kNtlm, bool proven = true) {
    testing::ScriptLogon(server, negotiation, kKey, session_flags, seal);
    if (SmbResult r = connection.Negotiate(); !r.ok()) return r;
    testing::FixedLogon logon(kKey, mechanism);
    logon.proven = proven;
    return connection.SessionSetup(logon);
  }
  SmbResult LogOn(Dialect dialect, uint16_t session_flags, Seal seal,
                  LogonMechanism mechanism = LogonMechanism::kNtlm, bool proven = true) {
    return LogOn(testing::ServerNegotiation(dialect), session_flags, seal, mechanism, proven);
  }
  SmbResult TreeConnect() {
    uint32_t tree_id = 0;
    return connection.TreeConnect(kIpc, &tree_id);
  }
  // A signing 3.1.1 session with IPC$ connected, whose answer grants the
  // credits a chain takes.
  SmbResult LogOnWithIpc();
  bool LastSigned() const { return server.requests.back().header.flags & kFlagSigned; }
  // The security mode the session setup request asked for.
  uint8_t SessionSetupSecurityMode() const { return server.requests[1].body.at(3); }

  testing::ScriptedSmb2Server server;
  Smb2Connection connection;
};

Smb2Reply Tree(Seal seal) {
  return {Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe), seal};
}

// The server's side of validate negotiate (its GUID is all 0x5a).
Smb2Reply Validation(Seal seal, uint32_t capabilities = 0, uint16_t dialect = kDialect302,
                     uint8_t guid = 0x5a, uint16_t mode = kSigningEnabled) {
  Bytes output;
  ByteWriter out = ByteWriter::AppendTo(output);
  out.U32Le(capabilities);
  out.Bytes(Bytes(16, guid));
  out.U16Le(mode);
  out.U16Le(dialect);
  return {Command::kIoctl, 0, testing::IoctlBody(kFsctlValidateNegotiateInfo, kNoFileId, output),
          seal};
}

// The logon's last answer, then whether the session signs its requests.
TEST(Smb2ConnectionTest, LogonAndSigning) {
  using Signing = ClientSettings::Signing;
  constexpr auto kAnonymous = LogonMechanism::kAnonymous;
  constexpr auto kNtlm = LogonMechanism::kNtlm;
  const SmbResult kGuestBlocked = SmbResult::Protocol(ProtocolFault::kGuestLogonBlocked);
  const struct {
    Dialect dialect;
    uint16_t session_flags;
    Seal seal;
    SmbResult expected;
    bool signing;
    LogonMechanism mechanism = kNtlm;
    Signing policy = Signing::kDesired;
    bool proven = true;  // the logon proved the server's key itself
  } cases[] = {
      {Dialect::k311, 0, Seal::kSigned, kOk, true},
      // On 3.1.1 the last answer is signed whether signing is wanted or not.
      {Dialect::k311, 0, Seal::kPlain, kBadSignature, false},
      {Dialect::k311, 0, Seal::kBadlySigned, kBadSignature, false},
      // A client that will sign requires it, so every dialect signs the last
      // answer: one that comes unsigned was changed on the way.
      {Dialect::k302, 0, Seal::kSigned, kOk, true},
      {Dialect::k302, 0, Seal::kPlain, kBadSignature, false},
      {Dialect::k302, 0, Seal::kBadlySigned, kBadSignature, false},
      {Dialect::k210, 0, Seal::kSigned, kOk, true},
      {Dialect::k210, 0, Seal::kPlain, kBadSignature, false},
      // Signing only when the server demands it: nothing to check then.
      {Dialect::k302, 0, Seal::kPlain, kOk, false, kNtlm, Signing::kIfRequired},
      // ... unless the logon left that proof to the signature (no mechListMIC).
      {Dialect::k302, 0, Seal::kPlain, kBadSignature, false, kNtlm, Signing::kIfRequired, false},
      {Dialect::k302, 0, Seal::kSigned, kOk, false, kNtlm, Signing::kIfRequired, false},
      // Credentials taken for the guest's, signed or not: refused.
      {Dialect::k302, kSessionFlagIsGuest, Seal::kPlain, kGuestBlocked, false},
      {Dialect::k311, kSessionFlagIsGuest, Seal::kPlain, kGuestBlocked, false},
      {Dialect::k302, kSessionFlagIsGuest, Seal::kSigned, kGuestBlocked, false},
      {Dialect::k311, kSessionFlagIsGuest, Seal::kBadlySigned, kGuestBlocked, false},
      // A null session after a keyed logon is no answer to it.
      {Dialect::k311, kSessionFlagIsNull, Seal::kSigned,
       SmbResult::Protocol(ProtocolFault::kUnexpected), false},
      // Without credentials nothing is at stake: guest and null sessions go
      // on, unsigned.
      {Dialect::k311, kSessionFlagIsGuest, Seal::kPlain, kOk, false, kAnonymous},
      {Dialect::k302, kSessionFlagIsNull, Seal::kPlain, kOk, false, kAnonymous},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    ClientSettings settings;
    settings.signing = c.policy;
    Client client(settings);
    ExpectResult(client.LogOn(c.dialect, c.session_flags, c.seal, c.mechanism, c.proven),
                 c.expected);
    const bool will_sign = c.mechanism != kAnonymous && c.policy == Signing::kDesired;
    EXPECT_EQ(client.SessionSetupSecurityMode(), will_sign ? kSigningRequired : kSigningEnabled);
    if (!c.expected.ok()) continue;
    EXPECT_EQ(client.connection.session().signing, c.signing);
    client.server.Answer(Tree(c.signing ? Seal::kSigned : Seal::kPlain));
    // Every 3.0.2 session with a key validates the negotiation, signed.
    const bool validates = c.dialect == Dialect::k302 && c.mechanism != kAnonymous;
    if (validates) client.server.Answer(Validation(Seal::kSigned));
    EXPECT_TRUE(client.TreeConnect().ok());
    EXPECT_EQ(client.server.requests[2].header.command, Command::kTreeConnect);
    EXPECT_EQ(client.server.requests[2].header.flags & kFlagSigned ? 1 : 0, c.signing ? 1 : 0);
    EXPECT_EQ(client.server.requests.size(), validates ? 4u : 3u);
    if (validates) {
      EXPECT_TRUE(client.LastSigned());
    }
  }
}

TEST(Smb2ConnectionTest, RefusedNegotiations) {
  Client starved;  // granted no credit to send the logon with
  NegotiateResponse negotiation = testing::ServerNegotiation(Dialect::k311);
  starved.server.Answer({Command::kNegotiate, 0, testing::NegotiateBody(negotiation), Seal::kPlain,
                         0, std::nullopt, /*credits=*/0});
  ASSERT_TRUE(starved.connection.Negotiate().ok());
  testing::FixedLogon logon(kKey);
  ExpectResult(starved.connection.SessionSetup(logon),
               SmbResult::Protocol(ProtocolFault::kNoCredits));
  EXPECT_EQ(starved.server.requests.size(), 1u);

  Client smb1;
  smb1.server.Answer(Smb2Reply(testing::Hex("ff534d4272000000008801c8000000000000000000000000")));
  ExpectResult(smb1.connection.Negotiate(), SmbResult::Protocol(ProtocolFault::kNoCommonDialect));
}

// Answers to a tree connect on a signing 3.1.1 session.
TEST(Smb2ConnectionTest, AnswersOnASigningSession) {
  const Smb2Reply pending{Command::kTreeConnect, kStatusPending, testing::FixedBody(9),
                          Seal::kPlain, kFlagAsyncCommand};
  const Smb2Reply wrong_id{Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe),
                           Seal::kSigned, 0, /*message_id=*/7};
  const Smb2Reply denied{Command::kTreeConnect, kStatusAccessDenied, testing::FixedBody(9),
                         Seal::kSigned};
  const struct {
    std::vector<Smb2Reply> replies;
    SmbResult expected;
  } cases[] = {
      // Interim answers are never signed; the final one is.
      {{pending, pending, Tree(Seal::kSigned)}, kOk},
      {{pending, Tree(Seal::kPlain)}, kBadSignature},
      {{Tree(Seal::kPlain)}, kBadSignature},
      {{Tree(Seal::kBadlySigned)}, kBadSignature},
      {{wrong_id}, SmbResult::Protocol(ProtocolFault::kUnexpected)},
      {{denied}, SmbResult::Status(kStatusAccessDenied)},
      // A server that only ever says "later" is not answering.
      {std::vector<Smb2Reply>(17, pending), SmbResult::Protocol(ProtocolFault::kUnexpected)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Client client;
    ASSERT_TRUE(client.LogOn(Dialect::k311, 0, Seal::kSigned).ok());
    for (const Smb2Reply& reply : cases[i].replies) client.server.Answer(reply);
    ExpectResult(client.TreeConnect(), cases[i].expected);
    // A broken stream is not used again: the failure sticks, nothing is sent.
    if (cases[i].expected.kind == SmbResult::Kind::kProtocol) {
      const size_t sent = client.server.requests.size();
      ExpectResult(client.TreeConnect(), cases[i].expected);
      EXPECT_EQ(client.server.requests.size(), sent);
    }
  }
}

TEST(Smb2ConnectionTest, ValidateNegotiateCatchesAChangedNegotiation) {
  const Smb2Reply refused{Command::kIoctl, kStatusAccessDenied, testing::FixedBody(9),
                          Seal::kSigned};
  const struct {
    Smb2Reply reply;
    SmbResult expected;
  } cases[] = {
      {Validation(Seal::kSigned), kOk},
      {Validation(Seal::kSigned, 0, kDialect300), kDowngrade},
      {Validation(Seal::kSigned, 0, kDialect302, 0x5b), kDowngrade},
      {Validation(Seal::kSigned, kCapEncryption), kDowngrade},
      {Validation(Seal::kSigned, 0, kDialect302, 0x5a, kSigningRequired), kDowngrade},
      {refused, kDowngrade},
      {Validation(Seal::kPlain), kBadSignature},
      // A server from before validate negotiate says so with a signed error.
      {{Command::kIoctl, kStatusNotSupported, testing::FixedBody(9), Seal::kSigned}, kOk},
      {{Command::kIoctl, kStatusNotSupported, testing::FixedBody(9), Seal::kPlain},
       kBadSignature},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Client client;
    ASSERT_TRUE(client.LogOn(Dialect::k302, 0, Seal::kSigned).ok());
    client.server.Answer(Tree(Seal::kSigned));
    client.server.Answer(cases[i].reply);
    ExpectResult(client.TreeConnect(), cases[i].expected);
  }
}

TEST(Smb2ConnectionTest, EncryptingSessionSendsTransformsAndRefusesPlainAnswers) {
  for (const Dialect dialect : {Dialect::k311, Dialect::k302}) {
    for (const Seal seal : {Seal::kEncrypted, Seal::kSigned}) {
      SCOPED_TRACE(static_cast<int>(dialect) * 10 + static_cast<int>(seal));
      Client client;
      const NegotiateResponse negotiation = testing::ServerNegotiation(dialect, kCapEncryption);
      ASSERT_TRUE(client.LogOn(negotiation, kSessionFlagEncryptData, Seal::kSigned).ok());
      client.server.Answer(Tree(seal));
      client.server.Answer(Validation(Seal::kEncrypted, kCapEncryption));  // 3.0.2 asks
      ExpectResult(client.TreeConnect(), seal == Seal::kEncrypted
                                             ? kOk
                                             : SmbResult::Protocol(ProtocolFault::kBadEncryption));
      EXPECT_TRUE(client.server.requests.back().encrypted);
    }
  }
}

// A reply that grants enough credits for a chain.
Smb2Reply Granting(Smb2Reply reply) {
  reply.credits = 32;
  return reply;
}

SmbResult Client::LogOnWithIpc() {
  if (SmbResult r = LogOn(Dialect::k311, 0, Seal::kSigned); !r.ok()) return r;
  server.Answer(Granting(Tree(Seal::kSigned)));
  return TreeConnect();
}

// A pipe opened with its first transaction: one message of two requests,
// the IOCTL related to the CREATE, each signed on its own; so are the
// answers, whether they come in one message or apart.
TEST(Smb2ConnectionTest, PipeOpensWithItsFirstTransactionInOneMessage) {
  const FileId pipe{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
  const Bytes ack{'a', 'c', 'k'};
  const Smb2Reply created{Command::kCreate, 0, testing::CreateBody(pipe), Seal::kSigned};
  Smb2Reply created_chained = created;
  created_chained.chained = true;
  Smb2Reply created_alone = created;
  const Smb2Reply pending{Command::kIoctl, kStatusPending, testing::FixedBody(9), Seal::kPlain,
                          kFlagAsyncCommand};
  const Smb2Reply answer{Command::kIoctl, 0, testing::IoctlBody(kFsctlPipeTransceive, pipe, ack),
                         Seal::kSigned};
  Smb2Reply badly_signed = answer;
  badly_signed.seal = Seal::kBadlySigned;
  const struct {
    std::vector<Smb2Reply> replies;
    SmbResult expected;
  } cases[] = {
      {{created_chained, answer}, kOk},
      // Answered apart, as a server does when the transaction goes on in
      // the background: the CREATE's answer, an interim one, the last.
      {{created_alone, pending, answer}, kOk},
      {{created_chained, badly_signed}, kBadSignature},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Client client;
    ASSERT_TRUE(client.LogOnWithIpc().ok());
    for (Smb2Reply reply : cases[i].replies) {
      // Apart, each answers its own request of the chain.
      if (!reply.chained && i == 1) {
        reply.message_id = client.server.requests.back().header.message_id + 2 -
                           (reply.command == Command::kCreate ? 1 : 0);
      }
      client.server.Answer(reply);
    }
    CreateRequest request;
    request.name = u"srvsvc";
    CreateResponse opened;
    Bytes out;
    bool more = false;
    SmbResult transceived = SmbResult::Protocol(ProtocolFault::kNone);
    const SmbResult result = client.connection.CreateAndTransceive(
        1, request, Bytes{'b', 'i', 'n', 'd'}, &opened, &out, &more, &transceived);
    ExpectResult(result, cases[i].expected);
    const auto& requests = client.server.requests;
    ASSERT_GE(requests.size(), 5u);
    const auto& create = requests[requests.size() - 2];
    const auto& ioctl = requests.back();
    EXPECT_EQ(create.header.command, Command::kCreate);
    EXPECT_EQ(create.header.next_command % 8, 0u);
    EXPECT_NE(create.header.next_command, 0u);
    EXPECT_EQ(ioctl.header.flags & (kFlagRelatedOperations | kFlagSigned),
              kFlagRelatedOperations | kFlagSigned);
    EXPECT_TRUE(std::equal(kNoFileId.bytes.begin(), kNoFileId.bytes.end(), ioctl.body.begin() + 8));
    if (result.ok()) {
      ExpectResult(transceived, kOk);
      EXPECT_EQ(out, ack);
      EXPECT_EQ(opened.file_id, pipe);
    }
  }
}

// Lying chains: a NextCommand past the message's end, inside the header,
// off the 8-byte grid, or a message cut short; each breaks the connection
// for good.
TEST(Smb2ConnectionTest, ChainsThatLieAboutTheirSizesAreMalformed) {
  const FileId pipe{{1}};
  const auto set_next = [](uint32_t next) {
    return [next](Bytes& message) { ByteWriter(std::span(message).subspan(20, 4)).U32Le(next); };
  };
  const std::function<void(Bytes&)> tampers[] = {
      set_next(4096),                                    // past the end
      set_next(32),                                      // inside the header
      set_next(156),                                     // not on the grid
      [](Bytes& message) { message.resize(192); },       // the second header cut
      [](Bytes& message) { message.resize(100); },       // the first answer cut
  };
  for (size_t i = 0; i < std::size(tampers); ++i) {
    SCOPED_TRACE(i);
    Client client;
    ASSERT_TRUE(client.LogOn(Dialect::k210, kSessionFlagIsGuest, Seal::kPlain,
                             LogonMechanism::kAnonymous).ok());
    client.server.Answer(Granting({Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe)}));
    ASSERT_TRUE(client.TreeConnect().ok());
    Smb2Reply created{Command::kCreate, 0, testing::CreateBody(pipe)};
    created.chained = true;
    client.server.Answer(created);
    client.server.Answer({Command::kIoctl, 0, testing::IoctlBody(kFsctlPipeTransceive, pipe, Bytes(8, 1))});
    client.server.tamper = tampers[i];
    CreateResponse opened;
    Bytes out;
    bool more = false;
    SmbResult transceived;
    const SmbResult result = client.connection.CreateAndTransceive(1, {}, Bytes{1}, &opened, &out,
                                                                   &more, &transceived);
    EXPECT_EQ(result.kind, SmbResult::Kind::kProtocol);
    const size_t sent = client.server.requests.size();
    ExpectResult(client.TreeConnect(), result);
    EXPECT_EQ(client.server.requests.size(), sent);
  }
}

// A CLOSE left for later goes in front of the next request, in its message;
// a server whose related transaction finds no file gets it again alone, and
// no chain after that.
TEST(Smb2ConnectionTest, LaterClosesRideAlongAndARefusedChainFallsBack) {
  const FileId pipe{{7}};
  Client client;
  ASSERT_TRUE(client.LogOnWithIpc().ok());
  client.connection.CloseLater(0, pipe);  // the tree the script connected
  Smb2Reply closed{Command::kClose, 0, testing::FixedBody(60), Seal::kSigned};
  closed.chained = true;
  client.server.Answer(closed);
  Smb2Reply created{Command::kCreate, 0, testing::CreateBody(pipe), Seal::kSigned};
  created.chained = true;
  client.server.Answer(created);
  client.server.Answer({Command::kIoctl, kStatusInvalidParameter, testing::FixedBody(9),
                        Seal::kSigned});
  client.server.Answer({Command::kIoctl, 0,
                        testing::IoctlBody(kFsctlPipeTransceive, pipe, Bytes{'o', 'k'}),
                        Seal::kSigned});
  CreateResponse opened;
  Bytes out;
  bool more = false;
  SmbResult transceived;
  ASSERT_TRUE(client.connection.CreateAndTransceive(0, {}, Bytes{1}, &opened, &out, &more,
                                                    &transceived).ok());
  ExpectResult(transceived, kOk);
  EXPECT_EQ(out, (Bytes{'o', 'k'}));
  const auto& requests = client.server.requests;
  std::vector<Command> commands;
  for (size_t r = 3; r < requests.size(); ++r) commands.push_back(requests[r].header.command);
  EXPECT_EQ(commands, (std::vector<Command>{Command::kClose, Command::kCreate, Command::kIoctl,
                                            Command::kIoctl}));
  EXPECT_EQ(requests[3].header.next_command % 8, 0u);
  EXPECT_NE(requests[3].header.next_command, 0u);
  EXPECT_EQ(requests.back().header.flags & kFlagRelatedOperations, 0u);
  EXPECT_FALSE(client.connection.compounding());
}

// Pipes and a share made ahead: every message goes before any answer is
// awaited, the answers are taken in whatever order they come, and each
// gets its own result. Without compounding nothing is sent.
TEST(Smb2ConnectionTest, StartTogetherSendsEveryMessageBeforeAnyAnswer) {
  const FileId pipe{{9}};
  Client client;
  ASSERT_TRUE(client.LogOnWithIpc().ok());
  const uint64_t first = client.server.requests.back().header.message_id + 1;
  const auto reply = [&](Command command, uint32_t status, Bytes body, uint64_t id) {
    Smb2Reply r{command, status, std::move(body), Seal::kSigned, 0, first + id};
    r.chained = command == Command::kCreate;
    return r;
  };
  // The share first, then the second pipe refused, then the first.
  client.server.Answer(reply(Command::kTreeConnect, 0, testing::TreeConnectBody(1), 4));
  client.server.Answer(reply(Command::kCreate, kStatusAccessDenied, testing::FixedBody(9), 2));
  client.server.Answer(reply(Command::kIoctl, kStatusAccessDenied, testing::FixedBody(9), 3));
  client.server.Answer(reply(Command::kCreate, 0, testing::CreateBody(pipe), 0));
  client.server.Answer(
      reply(Command::kIoctl, 0, testing::IoctlBody(kFsctlPipeTransceive, pipe, Bytes{'a'}), 1));
  PipeStart pipes[2];
  pipes[0].input = Bytes{'b', '1'};
  pipes[1].input = Bytes{'b', '2'};
  TreeStart trees[1];
  trees[0].path = u"\\\\server\\ADMIN$";
  ASSERT_TRUE(client.connection.StartTogether(pipes, trees));
  ExpectResult(pipes[0].opened, kOk);
  ExpectResult(pipes[0].transceived, kOk);
  EXPECT_EQ(pipes[0].answer, Bytes{'a'});
  EXPECT_EQ(pipes[0].created.file_id, pipe);
  ExpectResult(pipes[1].opened, SmbResult::Status(kStatusAccessDenied));
  ExpectResult(trees[0].result, kOk);

  Client old;
  ASSERT_TRUE(old.LogOn(Dialect::k202, 0, Seal::kSigned).ok());
  old.server.Answer(Granting(Tree(Seal::kSigned)));
  ASSERT_TRUE(old.TreeConnect().ok());
  const size_t sent = old.server.requests.size();
  EXPECT_FALSE(old.connection.StartTogether(pipes, trees));
  EXPECT_EQ(old.server.requests.size(), sent);
}

}  // namespace
}  // namespace winreach::smb
