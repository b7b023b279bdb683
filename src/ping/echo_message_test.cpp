#include "ping/echo_message.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/fake/fake_system.h"

namespace winreach {
namespace {

sockaddr_in Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  const uint8_t bytes[4] = {a, b, c, d};
  std::memcpy(&address.sin_addr, bytes, 4);
  return address;
}

// The checksum as the bytes it is stored as.
std::vector<uint8_t> StoredChecksum(const std::vector<uint8_t>& data) {
  const uint16_t sum = InternetChecksum(data.data(), data.size());
  std::vector<uint8_t> bytes(2);
  std::memcpy(bytes.data(), &sum, 2);
  return bytes;
}

TEST(InternetChecksumTest, KnownVectors) {
  EXPECT_EQ(0xFFFF, InternetChecksum(nullptr, 0));
  const uint8_t one[] = {0x01};
  EXPECT_EQ(0xFFFE, InternetChecksum(one, 1));
  // "abc": the odd byte is padded with zero after it, as RFC 1071 does in
  // network order, and the stored bytes are the standard checksum.
  EXPECT_EQ((std::vector<uint8_t>{0x3B, 0x9D}), StoredChecksum({'a', 'b', 'c'}));
  // RFC 1071's example words 0001 f203 f4f5 f6f7: sum ddf2, checksum 220d.
  EXPECT_EQ((std::vector<uint8_t>{0x22, 0x0D}),
            StoredChecksum({0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}));
}

TEST(InternetChecksumTest, LongestBufferAndSealing) {
  // 65535 bytes of 0xFF: the largest sum there is. 32767 words of 0xFFFF
  // (negative zero) and the odd byte as 0x00FF leave 0x00FF, complement 0xFF00.
  const std::vector<uint8_t> ones(65535, 0xFF);
  const uint8_t expected[2] = {0x00, 0xFF};
  uint16_t stored;
  std::memcpy(&stored, expected, 2);
  EXPECT_EQ(stored, InternetChecksum(ones.data(), ones.size()));
  // Sealing a buffer with its checksum makes the checksum of the whole zero.
  std::vector<uint8_t> mixed(65532);
  for (size_t i = 0; i < mixed.size(); ++i) mixed[i] = static_cast<uint8_t>(i * 7 + 3);
  const uint16_t sum = InternetChecksum(mixed.data(), mixed.size());
  mixed.resize(mixed.size() + 2);
  std::memcpy(mixed.data() + mixed.size() - 2, &sum, 2);
  EXPECT_EQ(0, InternetChecksum(mixed.data(), mixed.size()));
}

TEST(EchoRequestTest, RequestOfIdentifier0x1234AtTickZero) {
  FakeSystem system;
  system.tick_count = 0;
  EchoRequest request;
  request.fill(0xCC);
  PrepareEchoRequest(system, 0x1234, request);
  const uint8_t head[] = {0x08, 0x00, 0x6F, 0x99, 0x34, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(head, request.data(), sizeof head));
  for (size_t i = 12; i < 44; ++i) EXPECT_EQ(0x45, request[i]) << i;
  EXPECT_EQ(0, InternetChecksum(request.data(), request.size()));
}

TEST(EchoRequestTest, TimestampIsTheTickCountLittleEndian) {
  FakeSystem system;
  system.tick_count = 0x01020304;
  EchoRequest request{};
  PrepareEchoRequest(system, 0x1234, request);
  EXPECT_EQ(0x04, request[8]);
  EXPECT_EQ(0x01, request[11]);
  EXPECT_EQ(0, InternetChecksum(request.data(), request.size()));
}

TEST(EchoRequestTest, BuildWritesHeaderAndDataButNotTimestamp) {
  std::vector<uint8_t> buffer(50, 0x77);
  BuildEchoRequest(0x1234, buffer.data(), 12);
  EXPECT_EQ(8, buffer[0]);
  EXPECT_EQ(0x34, buffer[4]);
  for (size_t i = 8; i < 12; ++i) EXPECT_EQ(0x77, buffer[i]);  // timestamp untouched
  EXPECT_EQ(0x77, buffer[12]);                                  // no data for 12

  BuildEchoRequest(0x1234, buffer.data(), 44);
  for (size_t i = 8; i < 12; ++i) EXPECT_EQ(0x77, buffer[i]);
  for (size_t i = 12; i < 44; ++i) EXPECT_EQ(0x45, buffer[i]);
  EXPECT_EQ(0x77, buffer[44]);  // nothing past the length
  EXPECT_EQ(0, buffer[2]);
  EXPECT_EQ(0, buffer[3]);
}

class EchoReplyTest : public ::testing::Test {
 protected:
  // A 20-byte IPv4 header and an echo reply with our identifier.
  std::vector<uint8_t> Reply(uint8_t type = 0, uint16_t identifier = 0x1234) {
    std::vector<uint8_t> datagram(20 + 44, 0);
    datagram[0] = 0x45;
    datagram[20] = type;
    datagram[24] = static_cast<uint8_t>(identifier);
    datagram[25] = static_cast<uint8_t>(identifier >> 8);
    return datagram;
  }
  bool Judge(const std::vector<uint8_t>& datagram, int length, const sockaddr_in& sender) {
    return IsEchoReplyForUs(kOurs, datagram.data(), length, sender, destination_);
  }

  static constexpr uint16_t kOurs = 0x1234;
  sockaddr_in destination_ = Address(10, 77, 0, 2);
};

TEST_F(EchoReplyTest, AcceptsOurReplyWhateverItsOtherFields) {
  auto datagram = Reply();
  datagram[21] = 9;                         // code
  datagram[22] = datagram[23] = 0xEE;       // checksum
  datagram[26] = 7;                         // sequence
  datagram[40] = 'X';                       // data
  sockaddr_in sender = Address(10, 77, 0, 2);
  sender.sin_port = 999;                    // only the address counts
  EXPECT_TRUE(Judge(datagram, static_cast<int>(datagram.size()), sender));
}

TEST_F(EchoReplyTest, RefusesInOrderSenderLengthTypeIdentifier) {
  // Another sender is refused before any byte is read: a null datagram is
  // never touched.
  EXPECT_FALSE(IsEchoReplyForUs(kOurs, nullptr, 64, Address(10, 77, 0, 3), destination_));
  // An ICMP error from a router about our request, however well formed.
  EXPECT_FALSE(Judge(Reply(), 64, Address(10, 77, 0, 1)));

  const auto datagram = Reply();
  EXPECT_TRUE(Judge(datagram, 28, destination_));   // whole ICMP header
  EXPECT_FALSE(Judge(datagram, 27, destination_));  // one byte short
  EXPECT_FALSE(Judge(datagram, 0, destination_));
  EXPECT_FALSE(Judge(datagram, -1, destination_));

  EXPECT_FALSE(Judge(Reply(8), 64, destination_));  // our own request, on loopback
  EXPECT_FALSE(Judge(Reply(0, 0x1235), 64, destination_));
}

TEST_F(EchoReplyTest, HeaderLengthComesFromTheFirstByte) {
  // A 24-byte header (IHL 6): the ICMP message starts at 24.
  std::vector<uint8_t> datagram(24 + 8, 0);
  datagram[0] = 0x46;
  datagram[24] = 0;
  datagram[28] = 0x34;
  datagram[29] = 0x12;
  EXPECT_TRUE(Judge(datagram, 32, destination_));
  EXPECT_FALSE(Judge(datagram, 31, destination_));
  // The largest header (IHL 15, 60 bytes) with a short datagram is refused
  // without reading past it.
  std::vector<uint8_t> short_one = {0x4F, 0, 0, 0};
  EXPECT_FALSE(IsEchoReplyForUs(kOurs, short_one.data(), 4, destination_, destination_));
}

// Pingers side by side in one process: the first has the process's own
// identifier, each later one another, whatever thread it starts on.
TEST(EchoIdentifierTest, EachPingerHasItsOwn) {
  FakeSystem system;
  system.process_id = 0x0001FFFF;
  std::vector<uint16_t> seen(64);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&, i] { seen[i] = NewEchoIdentifier(system); });
  }
  for (std::thread& thread : threads) thread.join();
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen.end(), std::adjacent_find(seen.begin(), seen.end()));
}

}  // namespace
}  // namespace winreach
