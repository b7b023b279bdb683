#include "smb/ntlm.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

using testing::Hex;

// The published example challenge: target "Server", flags e28a8233, AV
// pairs NetBIOS domain "Domain" and server "Server".
Bytes ExampleChallenge() {
  return Hex(
      "4e544c4d53535000 02000000 0c000c00 38000000 33828ae2 0123456789abcdef 0000000000000000"
      "24002400 44000000 060070170000000f"
      "530065007200760065007200"
      "02000c00 44006f006d00610069006e00 01000c00 530065007200760065007200 00000000");
}

TEST(NtlmChallengeTest, ReadsTheExample) {
  const Bytes example = ExampleChallenge();
  NtlmChallenge challenge;
  ASSERT_TRUE(ParseNtlmChallenge(example, &challenge));
  EXPECT_EQ(challenge.flags, 0xe28a8233u);
  EXPECT_EQ(Bytes(challenge.server_challenge.begin(), challenge.server_challenge.end()),
            Hex("0123456789abcdef"));
  EXPECT_EQ(challenge.target_name, Hex("530065007200760065007200"));
  EXPECT_EQ(challenge.target_info, Bytes(example.begin() + 68, example.end()));
  EXPECT_EQ(challenge.netbios_domain, u"Domain");
  EXPECT_FALSE(challenge.timestamp);
}

TEST(NtlmChallengeTest, ReadsTheTimestampAndStopsAtEol) {
  Bytes message = ExampleChallenge();
  message.resize(message.size() - 4);  // EOL moves behind the timestamp
  const Bytes tail = Hex("07000800 0102030405060708 00000000 ffffffff");
  message.insert(message.end(), tail.begin(), tail.end());
  message[40] = 0x24 + 16;  // target info length: up to EOL and 4 bytes of trailing junk
  NtlmChallenge challenge;
  ASSERT_TRUE(ParseNtlmChallenge(message, &challenge));
  EXPECT_EQ(challenge.timestamp, 0x0807060504030201u);
  EXPECT_EQ(challenge.target_info.size(), 0x24u + 12);
}

TEST(NtlmChallengeTest, RefusesTruncatedAndLyingMessages) {
  const Bytes example = ExampleChallenge();
  for (size_t size = 0; size < example.size(); ++size) {
    NtlmChallenge challenge;
    EXPECT_FALSE(ParseNtlmChallenge(ByteSpan(example).first(size), &challenge)) << size;
  }
  struct Lie {
    const char* what;
    size_t at;
    std::vector<uint8_t> bytes;
  };
  const Lie lies[] = {
      {"signature", 0, {'X'}},
      {"message type", 8, {3}},
      {"target name past the end", 16, {0xf0}},
      {"target name inside the header", 16, {0x08}},
      {"target name length past the end", 12, {0x40}},
      {"target info past the end", 44, {0x45}},
      {"target info length past the end", 40, {0x25}},
      {"AV pair longer than the target info", 70, {0x0e}},
      {"no EOL inside the target info", 40, {0x20}},
      {"EOL with a length", 102, {0x01}},
      {"odd-sized domain name", 70, {0x0b}},
  };
  for (const Lie& lie : lies) {
    Bytes message = example;
    std::copy(lie.bytes.begin(), lie.bytes.end(), message.begin() + lie.at);
    NtlmChallenge challenge;
    EXPECT_FALSE(ParseNtlmChallenge(message, &challenge)) << lie.what;
  }
}

TEST(NtlmChallengeTest, ReadsTheShortFormWithoutTargetInfo) {
  const Bytes example = ExampleChallenge();
  Bytes message(example.begin(), example.begin() + 32);
  message[16] = 0;  // no target name
  message[12] = message[14] = 0;
  NtlmChallenge challenge;
  ASSERT_TRUE(ParseNtlmChallenge(message, &challenge));
  EXPECT_TRUE(challenge.target_info.empty());
}

TEST(NtlmTest, ClientTargetInfoAddsFlagsAndTargetName) {
  const Bytes server = Hex("02000400 44004f00 06000400 01000000 09000200 5800 00000000");
  const Bytes target = Hex("630069006600730031002f00");  // "cifs/1" (not a real host)
  struct Case {
    bool with_mic;
    ByteSpan target;
    const char* expected;
  };
  const Case cases[] = {
      {true, target,
       "02000400 44004f00 06000400 03000000 09000c00 630069006600730031002f00 00000000"},
      {false, {}, "02000400 44004f00 06000400 01000000 09000200 5800 00000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClientTargetInfo(server, c.with_mic, c.target), Hex(c.expected)) << c.with_mic;
  }
  EXPECT_EQ(ClientTargetInfo(Hex("00000000"), true, {}), Hex("06000400 02000000 00000000"));
}

}  // namespace
}  // namespace winreach::smb
