#include "smb/named_pipe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/status_codes.h"
#include "smb/nt_status.h"
#include "tests/support/scripted_smb2_server.h"

namespace winreach::smb {
namespace {

using testing::Smb2Reply;

const FileId kPipe{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

Smb2Reply Transaction(std::string_view answer, uint32_t status = 0) {
  return {Command::kIoctl, status, testing::IoctlBody(kFsctlPipeTransceive, kPipe, Text(answer))};
}
Smb2Reply ReadAnswer(std::string_view data, uint32_t status = 0) {
  return {Command::kRead, status, testing::ReadBody(Text(data))};
}
const Smb2Reply kWritten{Command::kWrite, 0,
                         Bytes{17, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};  // 5 bytes

// A guest session of 2.1, the pipe's connection.
struct GuestSession {
  GuestSession() {
    testing::ScriptLogon(server, testing::ServerNegotiation(Dialect::k210), {},
                         kSessionFlagIsGuest, testing::Seal::kPlain);
    testing::FixedLogon logon({}, LogonMechanism::kAnonymous);
    EXPECT_TRUE(connection.Negotiate().ok());
    EXPECT_TRUE(connection.SessionSetup(logon).ok());
  }
  testing::ScriptedSmb2Server server;
  Smb2Connection connection{server, {}, [](std::span<uint8_t> out) {
                              std::memset(out.data(), 0x11, out.size());
                              return true;
                            }};
};

// The RPC client's side: 'w' writes a PDU, 'r' reads and expects the text.
struct Op {
  char kind;
  std::string bytes;
};

TEST(NamedPipeTest, PdusGoOutAsWritesAndTransactions) {
  const struct {
    std::vector<Op> ops;
    std::vector<Smb2Reply> replies;
    std::vector<Command> commands;
  } cases[] = {
      {{{'w', "bind"}, {'r', "ack"}}, {Transaction("ack")}, {Command::kIoctl}},
      // A PDU followed by another is sent on its own.
      {{{'w', "frag1"}, {'w', "frag2"}, {'r', "answer"}},
       {kWritten, Transaction("answer")},
       {Command::kWrite, Command::kIoctl}},
      // An answer larger than the transaction could carry is read on.
      {{{'w', "call"}, {'r', "answerrest"}},
       {Transaction("answer", kStatusBufferOverflow), ReadAnswer("rest")},
       {Command::kIoctl, Command::kRead}},
      // What the server still holds of an answer is drained before the next PDU.
      {{{'w', "call1"}, {'r', "an"}, {'w', "call2"}, {'r', "second"}},
       {Transaction("an", kStatusBufferOverflow), ReadAnswer("swer"), Transaction("second")},
       {Command::kIoctl, Command::kRead, Command::kIoctl}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    GuestSession session;
    auto& server = session.server;
    auto& connection = session.connection;
    for (const Smb2Reply& reply : cases[i].replies) server.Answer(reply);

    NamedPipe pipe(connection, 7, kPipe, [](const SmbResult&) { return 1u; });
    for (const Op& op : cases[i].ops) {
      if (op.kind == 'w') {
        ASSERT_EQ(pipe.Write(Text(op.bytes)), 0u);
      } else {
        std::string read(op.bytes.size(), '\0');
        ASSERT_EQ(pipe.Read({reinterpret_cast<uint8_t*>(read.data()), read.size()}), 0u);
        EXPECT_EQ(read, op.bytes);
      }
    }
    std::vector<Command> commands;
    for (size_t r = 2; r < server.requests.size(); ++r) {
      commands.push_back(server.requests[r].header.command);
    }
    EXPECT_EQ(commands, cases[i].commands);
    server.Answer({Command::kClose, 0, testing::FixedBody(60)});
  }
}

// An answer that never ends: the drain drops what it reads, stops after a
// bound, and the pipe is given up without another byte sent.
TEST(NamedPipeTest, AnEndlessAnswerGivesThePipeUp) {
  GuestSession session;
  auto& server = session.server;
  auto& connection = session.connection;
  const std::string chunk(65536, 'x');
  server.Answer(Transaction("an", kStatusBufferOverflow));
  for (int i = 0; i < 100; ++i) server.Answer(ReadAnswer(chunk, kStatusBufferOverflow));
  NamedPipe pipe(connection, 7, kPipe, [](const SmbResult&) { return 1u; });
  uint8_t two[2];
  ASSERT_EQ(pipe.Write(Text("call1")), 0u);
  ASSERT_EQ(pipe.Read(two), 0u);
  EXPECT_EQ(pipe.Write(Text("call2")), status::kRpcCallFailed);
  const size_t reads = server.requests.size() - 3;  // after the logon and the transaction
  EXPECT_GE(reads, 16u);
  EXPECT_LE(reads, 17u);
  EXPECT_EQ(pipe.Read(two), status::kRpcCallFailed);
  EXPECT_EQ(server.requests.size(), reads + 3);
  server.Answer({Command::kClose, 0, testing::FixedBody(60)});
}

// A pipe opened by its first transaction: CREATE and IOCTL in one message;
// a first PDU followed by another opens the pipe alone first; a refused
// opening is the open's code, from then on, and leaves nothing to close.
TEST(NamedPipeTest, OpensWithItsFirstTransaction) {
  const Smb2Reply created{Command::kCreate, 0, testing::CreateBody(kPipe)};
  Smb2Reply refused{Command::kCreate, kStatusObjectNameNotFound, testing::FixedBody(9)};
  const struct {
    std::vector<Op> ops;
    std::vector<Smb2Reply> replies;
    std::vector<Command> commands;
    uint32_t result;
  } cases[] = {
      {{{'w', "bind"}, {'r', "ack"}}, {created, Transaction("ack")},
       {Command::kCreate, Command::kIoctl}, 0},
      {{{'w', "frag1"}, {'w', "frag2"}, {'r', "answer"}},
       {created, kWritten, Transaction("answer")},
       {Command::kCreate, Command::kWrite, Command::kIoctl}, 0},
      {{{'w', "bind"}, {'r', "ack"}}, {refused, refused}, {Command::kCreate, Command::kIoctl}, 2},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    GuestSession session;
    auto& server = session.server;
    // IPC$, whose answer grants the credits a chain takes.
    server.Answer({Command::kTreeConnect, 0, testing::TreeConnectBody(kShareTypePipe),
                   testing::Seal::kPlain, 0, {}, 32});
    uint32_t tree = 0;
    ASSERT_TRUE(session.connection.TreeConnect(u"\\\\server\\IPC$", &tree).ok());
    // The first answer of a chain goes with the next in one message.
    std::vector<Smb2Reply> replies = cases[i].replies;
    if (i != 1) replies[0].chained = true;
    for (const Smb2Reply& reply : replies) server.Answer(reply);
    uint32_t result = 0;
    {
      NamedPipe pipe(session.connection, tree, CreateRequest{}, [](const SmbResult&) { return 2u; },
                     [](const SmbResult&) { return 1u; });
      for (const Op& op : cases[i].ops) {
        if (op.kind == 'w') {
          result = pipe.Write(Text(op.bytes));
        } else {
          std::string read(op.bytes.size(), '\0');
          result = pipe.Read({reinterpret_cast<uint8_t*>(read.data()), read.size()});
          if (result == 0) {
            EXPECT_EQ(read, op.bytes);
          }
        }
        if (result != 0) break;
      }
      if (result != 0) {
        EXPECT_EQ(pipe.Write(Text("again")), result);
      }
    }
    EXPECT_EQ(result, cases[i].result);
    std::vector<Command> commands;
    for (size_t r = 3; r < server.requests.size(); ++r) {
      commands.push_back(server.requests[r].header.command);
    }
    EXPECT_EQ(commands, cases[i].commands);
  }
}

// A pipe opened ahead: its first write, the same bytes, sends nothing and
// its read takes the answer that came; other bytes, where the two ends no
// longer agree, and a refused opening fail every call without a message.
// A connection lost before the server has answered the pipe since is the
// opening's failure, as when the pipe is opened only then.
TEST(NamedPipeTest, OpenedAheadTakesItsFirstAnswer) {
  GuestSession session;
  PipeStart opened;
  opened.input = Text("bind");
  opened.created.file_id = kPipe;
  opened.answer = Text("ack");
  PipeStart refused;
  refused.opened = SmbResult::Status(kStatusAccessDenied);
  const size_t sent = session.server.requests.size();
  const auto error = [](const SmbResult&) { return 1u; };
  const auto open_error = [](const SmbResult&) { return 2u; };
  {
    NamedPipe pipe(session.connection, opened, open_error, error);
    uint8_t ack[3];
    ASSERT_EQ(pipe.Write(Text("bind")), 0u);
    ASSERT_EQ(pipe.Read(ack), 0u);
    EXPECT_EQ(Bytes(ack, ack + 3), Text("ack"));
    EXPECT_EQ(session.server.requests.size(), sent);
    // The server is gone: nothing answers the first call.
    ASSERT_EQ(pipe.Write(Text("call")), 0u);
    EXPECT_EQ(pipe.Read(ack), 2u);
    EXPECT_EQ(pipe.Write(Text("call")), 2u);
  }
  {
    NamedPipe pipe(session.connection, opened, open_error, error);
    EXPECT_EQ(pipe.Write(Text("other")), status::kRpcProtocolError);
    uint8_t byte[1];
    EXPECT_EQ(pipe.Read(byte), status::kRpcProtocolError);
  }
  NamedPipe pipe(session.connection, refused, open_error, error);
  EXPECT_EQ(pipe.Write(Text("bind")), 2u);
  EXPECT_EQ(session.server.requests.size(), sent + 1);  // the call the server never answered
}

}  // namespace
}  // namespace winreach::smb
