#include "smb/named_pipe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
Smb2Reply ReadAnswer(std::string_view data) {
  return {Command::kRead, 0, testing::ReadBody(Text(data))};
}
const Smb2Reply kWritten{Command::kWrite, 0,
                         Bytes{17, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};  // 5 bytes

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
    testing::ScriptedSmb2Server server;
    Smb2Connection connection(server, {}, [](std::span<uint8_t> out) {
      std::memset(out.data(), 0x11, out.size());
      return true;
    });
    testing::ScriptLogon(server, testing::ServerNegotiation(Dialect::k210), {},
                         kSessionFlagIsGuest, testing::Seal::kPlain);
    testing::FixedLogon logon({}, LogonMechanism::kAnonymous);
    ASSERT_TRUE(connection.Negotiate().ok());
    ASSERT_TRUE(connection.SessionSetup(logon).ok());
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

}  // namespace
}  // namespace winreach::smb
