#include "smb/netbios_session.h"

#include <gtest/gtest.h>

#include <string>

namespace winreach::smb {
namespace {

std::string Text(ByteSpan bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(SessionRequestTest, EncodesBothNamesInTheFirstLevel) {
  const Bytes request = SessionRequest("fred", "workstation1");
  ASSERT_EQ(4u + 68, request.size());
  EXPECT_EQ((Bytes{0x81, 0, 0, 68}), Bytes(request.begin(), request.begin() + 4));
  // RFC 1001's own example: "FRED" padded with blanks, the suffix a blank.
  EXPECT_EQ(32, request[4]);
  EXPECT_EQ("EGFCEFEECACACACACACACACACACACACA", Text(ByteSpan(request).subspan(5, 32)));
  EXPECT_EQ(0, request[37]);
  // The calling name: upper-cased, the workstation suffix.
  EXPECT_EQ(32, request[38]);
  EXPECT_EQ("FHEPFCELFDFEEBFEEJEPEODBCACACAAA", Text(ByteSpan(request).subspan(39, 32)));
  EXPECT_EQ(0, request.back());

  const Bytes any = SessionRequest("*SMBSERVER", "c");
  EXPECT_EQ("CKFDENECFDEFFCFGEFFCCACACACACACA", Text(ByteSpan(any).subspan(5, 32)));
  // A name longer than 15 characters is cut.
  const Bytes long_name = SessionRequest("ABCDEFGHIJKLMNOPQ", "c");
  EXPECT_EQ("EBECEDEEEFEGEHEIEJEKELEMENEOEPCA", Text(ByteSpan(long_name).subspan(5, 32)));
}

TEST(SessionAnswerTest, ReadsTheThreeAnswersAndNothingElse) {
  SessionAnswer answer;
  ASSERT_TRUE(ParseSessionAnswer(Bytes{0x82, 0, 0, 0}, &answer));
  EXPECT_EQ(SessionAnswer::kPositive, answer.kind);
  ASSERT_TRUE(ParseSessionAnswer(Bytes{0x83, 0, 0, 1, kCalledNameNotPresent}, &answer));
  EXPECT_EQ(SessionAnswer::kNegative, answer.kind);
  EXPECT_EQ(kCalledNameNotPresent, answer.error_code);
  ASSERT_TRUE(ParseSessionAnswer(Bytes{0x84, 0, 0, 6, 10, 77, 0, 2, 0x01, 0xBD}, &answer));
  EXPECT_EQ(SessionAnswer::kRetarget, answer.kind);
  EXPECT_EQ(0x0A4D0002u, answer.retarget_address);
  EXPECT_EQ(445, answer.retarget_port);

  const Bytes kBad[] = {
      {},
      {0x82, 0, 0},                    // a short header
      {0x82, 0, 0, 1, 0},              // a positive answer with a body
      {0x83, 0, 0, 0},                 // a negative one without its code
      {0x83, 0, 0, 2, 0x8F},           // announces more than there is
      {0x84, 0, 0, 4, 10, 77, 0, 2},   // a retarget without its port
      {0x85, 0, 0, 0},                 // a keep-alive
      {0x00, 0, 0, 0},                 // a session message
  };
  for (const auto& bad : kBad) EXPECT_FALSE(ParseSessionAnswer(bad, &answer)) << bad.size();
  EXPECT_EQ(5u, SessionPacketSize(Bytes{0x83, 0, 0, 1}));
  EXPECT_EQ(4u + 0x10000, SessionPacketSize(Bytes{0x00, 1, 0, 0}));
  EXPECT_EQ(0u, SessionPacketSize(Bytes{0x83, 0}));
}

}  // namespace
}  // namespace winreach::smb
