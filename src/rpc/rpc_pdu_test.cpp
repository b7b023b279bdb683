#include "rpc/rpc_pdu.h"

#include <gtest/gtest.h>

#include <vector>

#include "rpc/srvsvc.h"
#include "rpc/svcctl.h"
#include "rpc/winreg.h"
#include "tests/data/rpc_captures.h"

namespace winreach::rpc {
namespace {

template <size_t N>
std::vector<uint8_t> Vec(const uint8_t (&bytes)[N]) {
  return std::vector<uint8_t>(bytes, bytes + N);
}

TEST(UuidTest, FirstThreeFieldsAreLittleEndian) {
  // The NDR transfer syntax as it stands on the wire.
  const std::array<uint8_t, 16> expected = {0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11,
                                            0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60};
  EXPECT_EQ(kNdrTransferSyntax.uuid, expected);
}

TEST(BindPduTest, MatchesWhatTheTestHostAccepted) {
  EXPECT_EQ(BindPdu(1, kSrvsvc), Vec(capture::kSrvsvcBind));
  EXPECT_EQ(BindPdu(1, kWinreg), Vec(capture::kWinregBind));
  EXPECT_EQ(BindPdu(1, kSvcctl), Vec(capture::kSvcctlBind));
}

TEST(BindPduTest, LayoutOfTheCommonHeader) {
  const auto pdu = BindPdu(0x01020304, kSrvsvc);
  EXPECT_EQ(pdu[0], 5);
  EXPECT_EQ(pdu[1], 0);
  EXPECT_EQ(pdu[2], 11);
  EXPECT_EQ(pdu[3], kFirstFragment | kLastFragment);
  EXPECT_EQ(pdu[4], 0x10);
  EXPECT_EQ(pdu[8] | (pdu[9] << 8), static_cast<int>(pdu.size()));
  EXPECT_EQ(pdu[12], 4);
  EXPECT_EQ(pdu[15], 1);
}

TEST(ParseHeaderTest, RejectsWhatIsNotVersionFiveLittleEndian) {
  auto header_bytes = Vec(capture::kSrvsvcBindAck);
  Header header;
  ASSERT_TRUE(ParseHeader(header_bytes, &header));
  EXPECT_EQ(header.type, PacketType::kBindAck);
  EXPECT_EQ(header.fragment_length, sizeof(capture::kSrvsvcBindAck));

  auto wrong_version = header_bytes;
  wrong_version[0] = 4;
  EXPECT_FALSE(ParseHeader(wrong_version, &header));
  auto big_endian = header_bytes;
  big_endian[4] = 0x00;
  EXPECT_FALSE(ParseHeader(big_endian, &header));
  auto too_short_fragment = header_bytes;
  too_short_fragment[8] = 15;
  too_short_fragment[9] = 0;
  EXPECT_FALSE(ParseHeader(too_short_fragment, &header));
  EXPECT_FALSE(ParseHeader(std::span(header_bytes).first(15), &header));
}

TEST(BindAckTest, ParsesTheTestHostsAcceptance) {
  BindAck ack;
  ASSERT_TRUE(ParseBindAck(Vec(capture::kSrvsvcBindAck), &ack));
  EXPECT_EQ(ack.result, 0);
  EXPECT_EQ(ack.max_transmit, 4280);
}

TEST(BindAckTest, TruncatedOrInflatedAcksFail) {
  const auto ack_bytes = Vec(capture::kSrvsvcBindAck);
  BindAck ack;
  for (size_t cut = 0; cut < ack_bytes.size(); ++cut) {
    std::vector<uint8_t> part(ack_bytes.begin(), ack_bytes.begin() + cut);
    EXPECT_FALSE(ParseBindAck(part, &ack)) << cut;
  }
  // A secondary address longer than the PDU.
  auto lying = ack_bytes;
  lying[24] = 0xFF;
  EXPECT_FALSE(ParseBindAck(lying, &ack));
  // A result count that the PDU cannot hold.
  auto many = ack_bytes;
  many[40] = 9;
  EXPECT_FALSE(ParseBindAck(many, &ack));
  auto none = ack_bytes;
  none[40] = 0;
  EXPECT_FALSE(ParseBindAck(none, &ack));
}

TEST(RequestPdusTest, SmallStubIsOneFragmentAsCaptured) {
  const auto stub = NetrServerGetInfoRequest(u"\\\\testhost", 100);
  const auto pdus = RequestPdus(2, kNetrServerGetInfo, stub, kMaxFragment);
  ASSERT_EQ(pdus.size(), 1u);
  EXPECT_EQ(pdus[0], Vec(capture::kGetInfo100Request));
}

TEST(RequestPdusTest, LargeStubIsCutOnEightByteBoundaries) {
  std::vector<uint8_t> stub(100);
  for (size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<uint8_t>(i);
  const auto pdus = RequestPdus(9, 3, stub, 24 + 40);
  ASSERT_EQ(pdus.size(), 3u);
  std::vector<uint8_t> joined;
  for (size_t i = 0; i < pdus.size(); ++i) {
    const auto& pdu = pdus[i];
    EXPECT_EQ(pdu[3] & kFirstFragment, i == 0 ? kFirstFragment : 0);
    EXPECT_EQ(pdu[3] & kLastFragment, i == 2 ? kLastFragment : 0);
    EXPECT_EQ(pdu[8] | (pdu[9] << 8), static_cast<int>(pdu.size()));
    EXPECT_EQ(pdu[22], 3);  // opnum in every fragment
    if (i < 2) {
      EXPECT_EQ((pdu.size() - 24) % 8, 0u);
    }
    joined.insert(joined.end(), pdu.begin() + 24, pdu.end());
  }
  EXPECT_EQ(joined, stub);
}

TEST(RequestPdusTest, EmptyStubStillSendsOneFragment) {
  const auto pdus = RequestPdus(1, 0, {}, kMaxFragment);
  ASSERT_EQ(pdus.size(), 1u);
  EXPECT_EQ(pdus[0].size(), 24u);
}

TEST(ResponseFragmentTest, StubOfACapturedResponse) {
  const auto fragment = Vec(capture::kGetInfo503Refused);
  Header header;
  ASSERT_TRUE(ParseHeader(fragment, &header));
  ResponseFragment response;
  ASSERT_TRUE(ParseResponseFragment(fragment, header, &response));
  EXPECT_FALSE(response.fault);
  EXPECT_EQ(response.stub.size(), fragment.size() - 24);
}

TEST(ResponseFragmentTest, FaultCarriesItsStatus) {
  std::vector<uint8_t> fault = {5, 0, 3, 3, 0x10, 0, 0, 0, 32, 0, 0, 0, 7, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0};
  Header header;
  ASSERT_TRUE(ParseHeader(fault, &header));
  ResponseFragment response;
  ASSERT_TRUE(ParseResponseFragment(fault, header, &response));
  EXPECT_TRUE(response.fault);
  EXPECT_EQ(response.fault_status, 5u);
  fault.resize(27);
  fault[8] = 27;
  ASSERT_TRUE(ParseHeader(fault, &header));
  EXPECT_FALSE(ParseResponseFragment(fault, header, &response));
}

TEST(ResponseFragmentTest, AuthTrailerLongerThanTheFragmentFails) {
  auto fragment = Vec(capture::kGetInfo503Refused);
  fragment[10] = 0xF0;  // auth_length
  Header header;
  ASSERT_TRUE(ParseHeader(fragment, &header));
  ResponseFragment response;
  EXPECT_FALSE(ParseResponseFragment(fragment, header, &response));
}

TEST(ResponseFragmentTest, LengthMustMatchTheHeader) {
  auto fragment = Vec(capture::kGetInfo503Refused);
  Header header;
  ASSERT_TRUE(ParseHeader(fragment, &header));
  fragment.push_back(0);
  ResponseFragment response;
  EXPECT_FALSE(ParseResponseFragment(fragment, header, &response));
}

}  // namespace
}  // namespace winreach::rpc
