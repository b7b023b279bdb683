#include "platform/posix/icmp_messages.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/errqueue.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace winreach {
namespace {

std::vector<uint8_t> Echo(uint8_t type, uint16_t sequence, size_t data = 32) {
  std::vector<uint8_t> message(8 + data, 0x45);
  message[0] = type;
  message[1] = 0;
  message[4] = 0x12;  // the kernel's identifier, not ours to judge
  message[5] = 0x34;
  message[6] = static_cast<uint8_t>(sequence >> 8);
  message[7] = static_cast<uint8_t>(sequence);
  return message;
}

TEST(ParseEchoReplyTest, FindsTheDataOfOurReply) {
  const auto reply = Echo(kIcmp4EchoReply, 0x0102);
  const auto parsed = ParseEchoReply(AF_INET, reply.data(), reply.size(), 0x0102);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(8u, parsed->offset);
  EXPECT_EQ(32u, parsed->size);

  const auto reply6 = Echo(kIcmp6EchoReply, 7, 0);
  const auto parsed6 = ParseEchoReply(AF_INET6, reply6.data(), reply6.size(), 7);
  ASSERT_TRUE(parsed6);
  EXPECT_EQ(0u, parsed6->size);
}

TEST(ParseEchoReplyTest, RefusesTruncatedForeignAndStaleMessages) {
  const auto reply = Echo(kIcmp4EchoReply, 5);
  EXPECT_FALSE(ParseEchoReply(AF_INET, reply.data(), 7, 5));  // header cut short
  EXPECT_FALSE(ParseEchoReply(AF_INET, nullptr, 40, 5));
  EXPECT_FALSE(ParseEchoReply(AF_INET, reply.data(), reply.size(), 4));  // an earlier echo
  EXPECT_FALSE(ParseEchoReply(AF_INET6, reply.data(), reply.size(), 5));  // family's type
  const auto request = Echo(kIcmp4EchoRequest, 5);
  EXPECT_FALSE(ParseEchoReply(AF_INET, request.data(), request.size(), 5));
}

TEST(QuotesOurRequestTest, MatchesTypeAndSequenceOfTheQuotedHeader) {
  const auto quoted = Echo(kIcmp4EchoRequest, 9, 0);
  EXPECT_TRUE(QuotesOurRequest(AF_INET, quoted.data(), quoted.size(), 9));
  EXPECT_FALSE(QuotesOurRequest(AF_INET, quoted.data(), 7, 9));
  EXPECT_FALSE(QuotesOurRequest(AF_INET, quoted.data(), quoted.size(), 8));
  EXPECT_FALSE(QuotesOurRequest(AF_INET6, quoted.data(), quoted.size(), 9));
  const auto quoted6 = Echo(kIcmp6EchoRequest, 9, 0);
  EXPECT_TRUE(QuotesOurRequest(AF_INET6, quoted6.data(), quoted6.size(), 9));
}

// Control data as recvmsg lays it out: records of (level, type, payload).
class Control {
 public:
  Control& Add(int level, int type, const void* payload, size_t size) {
    const size_t start = bytes_.size();
    bytes_.resize(start + CMSG_SPACE(size));
    cmsghdr header{};
    header.cmsg_len = CMSG_LEN(size);
    header.cmsg_level = level;
    header.cmsg_type = type;
    std::memcpy(bytes_.data() + start, &header, sizeof header);
    std::memcpy(bytes_.data() + start + CMSG_LEN(0), payload, size);
    return *this;
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

struct ErrorWithOffender4 {
  sock_extended_err error;
  sockaddr_in offender;
};

ErrorWithOffender4 HostUnreachableFrom(const char* router) {
  ErrorWithOffender4 payload{};
  payload.error.ee_errno = EHOSTUNREACH;
  payload.error.ee_origin = SO_EE_ORIGIN_ICMP;
  payload.error.ee_type = 3;
  payload.error.ee_code = 1;
  payload.offender.sin_family = AF_INET;
  inet_pton(AF_INET, router, &payload.offender.sin_addr);
  return payload;
}

TEST(ParseErrorQueueControlTest, ReadsTheErrorAndItsOffenderAmongOtherRecords) {
  const int ttl = 64;
  const auto payload = HostUnreachableFrom("10.77.0.2");
  Control control;
  control.Add(SOL_IP, IP_TTL, &ttl, sizeof ttl).Add(SOL_IP, IP_RECVERR, &payload, sizeof payload);
  const auto error = ParseErrorQueueControl(AF_INET, control.bytes().data(), control.bytes().size());
  ASSERT_TRUE(error);
  EXPECT_EQ(static_cast<uint32_t>(EHOSTUNREACH), error->error);
  EXPECT_EQ(3, error->type);
  EXPECT_EQ(1, error->code);
  ASSERT_TRUE(error->offender4);
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &error->offender4->sin_addr, text, sizeof text);
  EXPECT_STREQ("10.77.0.2", text);
  EXPECT_EQ(IP_DEST_HOST_UNREACHABLE, IpStatusOf(AF_INET, *error));
  EXPECT_EQ(64, ParseReceivedTtl(control.bytes().data(), control.bytes().size()));
  // The IPv6 record is another one.
  EXPECT_FALSE(ParseErrorQueueControl(AF_INET6, control.bytes().data(), control.bytes().size()));
}

TEST(ParseErrorQueueControlTest, ErrorWithoutRoomForTheOffenderHasNone) {
  sock_extended_err bare{};
  bare.ee_origin = SO_EE_ORIGIN_ICMP6;
  bare.ee_type = 1;
  bare.ee_code = 3;
  Control control;
  control.Add(SOL_IPV6, IPV6_RECVERR, &bare, sizeof bare);
  const auto error = ParseErrorQueueControl(AF_INET6, control.bytes().data(), control.bytes().size());
  ASSERT_TRUE(error);
  EXPECT_FALSE(error->offender4);
  EXPECT_FALSE(error->offender6);
  EXPECT_EQ(11003u, IpStatusOf(AF_INET6, *error));
}

TEST(ParseErrorQueueControlTest, LyingAndTruncatedRecordsAreRefused) {
  const auto payload = HostUnreachableFrom("10.77.0.2");
  Control control;
  control.Add(SOL_IP, IP_RECVERR, &payload, sizeof payload);
  std::vector<uint8_t>& bytes = control.bytes();
  // Every cut-short length: never a read beyond it, never a half record.
  for (size_t length = 0; length < CMSG_LEN(sizeof(sock_extended_err)); ++length) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
    EXPECT_FALSE(ParseErrorQueueControl(AF_INET, cut.data(), cut.size())) << length;
  }
  // A record that claims more than there is.
  cmsghdr header;
  std::memcpy(&header, bytes.data(), sizeof header);
  header.cmsg_len = bytes.size() + 1;
  std::memcpy(bytes.data(), &header, sizeof header);
  EXPECT_FALSE(ParseErrorQueueControl(AF_INET, bytes.data(), bytes.size()));
  // A record shorter than its own header would never end the walk.
  header.cmsg_len = 0;
  std::memcpy(bytes.data(), &header, sizeof header);
  EXPECT_FALSE(ParseErrorQueueControl(AF_INET, bytes.data(), bytes.size()));
  EXPECT_FALSE(ParseErrorQueueControl(AF_INET, nullptr, 100));
  // A TTL record too short for its int, or out of range.
  const uint8_t one = 1;
  Control short_ttl;
  short_ttl.Add(SOL_IP, IP_TTL, &one, 1);
  EXPECT_FALSE(ParseReceivedTtl(short_ttl.bytes().data(), short_ttl.bytes().size()));
  const int huge = 300;
  Control huge_ttl;
  huge_ttl.Add(SOL_IP, IP_TTL, &huge, sizeof huge);
  EXPECT_FALSE(ParseReceivedTtl(huge_ttl.bytes().data(), huge_ttl.bytes().size()));
}

IP_STATUS Status4(uint8_t type, uint8_t code) {
  IcmpError error;
  error.origin = SO_EE_ORIGIN_ICMP;
  error.type = type;
  error.code = code;
  return IpStatusOf(AF_INET, error).value_or(0);
}

IP_STATUS Status6(uint8_t type, uint8_t code) {
  IcmpError error;
  error.origin = SO_EE_ORIGIN_ICMP6;
  error.type = type;
  error.code = code;
  return IpStatusOf(AF_INET6, error).value_or(0);
}

TEST(IpStatusOfTest, IcmpErrorsBecomeThePlatformsStatusCodes) {
  EXPECT_EQ(11002u, Status4(3, 0));
  EXPECT_EQ(11003u, Status4(3, 1));
  EXPECT_EQ(11004u, Status4(3, 2));
  EXPECT_EQ(11005u, Status4(3, 3));
  EXPECT_EQ(11009u, Status4(3, 4));
  EXPECT_EQ(11003u, Status4(3, 13));  // filtered
  EXPECT_EQ(11013u, Status4(11, 0));
  EXPECT_EQ(11014u, Status4(11, 1));
  EXPECT_EQ(11015u, Status4(12, 0));
  EXPECT_EQ(11016u, Status4(4, 0));
  EXPECT_EQ(0u, Status4(5, 1));  // a redirect is no verdict

  EXPECT_EQ(11002u, Status6(1, 0));  // no route
  EXPECT_EQ(11004u, Status6(1, 1));  // prohibited
  EXPECT_EQ(11003u, Status6(1, 3));  // address unreachable
  EXPECT_EQ(11005u, Status6(1, 4));
  EXPECT_EQ(11045u, Status6(1, 2));
  EXPECT_EQ(11009u, Status6(2, 0));
  EXPECT_EQ(11013u, Status6(3, 0));
  EXPECT_EQ(11043u, Status6(4, 1));
  EXPECT_EQ(0u, Status6(137, 0));

  IcmpError local;
  local.origin = SO_EE_ORIGIN_LOCAL;
  local.error = EMSGSIZE;
  EXPECT_EQ(11009u, IpStatusOf(AF_INET, local).value_or(0));
  local.error = ENOBUFS;
  EXPECT_EQ(11050u, IpStatusOf(AF_INET, local).value_or(0));
}

}  // namespace
}  // namespace winreach
