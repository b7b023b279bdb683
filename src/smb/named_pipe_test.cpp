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

constexpr uint32_t kTree = 7;
const FileId kPipe{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

Smb2Reply Transaction(std::string_view answer, uint32_t status = 0) {
  return {Command::kIoctl, status, testing::IoctlBody(kFsctlPipeTransceive, kPipe, Text(answer))};
}
Smb2Reply ReadAnswer(std::string_view data, uint32_t status = 0) {
  return {Command::kRead, status, testing::ReadBody(Text(data))};
}

// The RPC client's side: 'w' writes a PDU, 'r' reads and expects the text.
struct Op {
  char kind;
  std::string bytes;
};

TEST(NamedPipeTest, PdusGoOutAsWritesAndTransactions) {
  const struct {
    const char* name;
    std::vector<Op> ops;
    std::vector<Smb2Reply> replies;
    std::vector<Command> commands;
  } cases[] = {
      {"one PDU, then its answer", {{'w', "bind"}, {'r', "ack"}}, {Transaction("ack")},
       {Command::kIoctl}},
      {"two PDUs: the first a plain write",
       {{'w', "frag1"}, {'w', "frag2"}, {'r', "answer"}},
       {{Command::kWrite, 0, testing::WriteBody(5)}, Transaction("answer")},
       {Command::kWrite, Command::kIoctl}},
      {"an answer too large for the transaction is read on",
       {{'w', "call"}, {'r', "answerrest"}},
       {Transaction("answer", kStatusBufferOverflow), ReadAnswer("rest")},
       {Command::kIoctl, Command::kRead}},
      {"what the server still holds is drained before the next PDU",
       {{'w', "call1"}, {'r', "an"}, {'w', "call2"}, {'r', "second"}},
       {Transaction("an", kStatusBufferOverflow), ReadAnswer("swer"), Transaction("second")},
       {Command::kIoctl, Command::kRead, Command::kIoctl}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptedSmb2Server server;
    Smb2Connection connection(server, {}, [](std::span<uint8_t> out) {
      std::memset(out.data(), 0x11, out.size());
      return true;
    });
    testing::ScriptLogon(server, testing::ServerNegotiation(Dialect::k210), {},
                         kSessionFlagIsGuest, testing::Seal::kPlain);
    testing::FixedLogon logon({});
    ASSERT_TRUE(connection.Negotiate().ok());
    ASSERT_TRUE(connection.SessionSetup(logon).ok());
    const size_t before = server.requests.size();
    for (const Smb2Reply& reply : c.replies) server.Answer(reply);

    NamedPipe pipe(connection, kTree, kPipe, [](const SmbResult&) { return 1u; });
    for (const Op& op : c.ops) {
      if (op.kind == 'w') {
        ASSERT_EQ(pipe.Write(Text(op.bytes)), 0u);
      } else {
        std::string read(op.bytes.size(), '\0');
        ASSERT_EQ(pipe.Read({reinterpret_cast<uint8_t*>(read.data()), read.size()}), 0u);
        EXPECT_EQ(read, op.bytes);
      }
    }
    std::vector<Command> commands;
    for (size_t i = before; i < server.requests.size(); ++i) {
      commands.push_back(server.requests[i].header.command);
    }
    EXPECT_EQ(commands, c.commands);
    server.Answer({Command::kClose, 0, testing::CloseBody()});
  }
}

}  // namespace
}  // namespace winreach::smb
