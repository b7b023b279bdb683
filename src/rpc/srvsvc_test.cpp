#include "rpc/srvsvc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rpc/ndr.h"
#include "tests/data/rpc_captures.h"

namespace winreach::rpc {
namespace {

template <size_t N>
std::vector<uint8_t> Stub(const uint8_t (&pdu)[N]) {
  return std::vector<uint8_t>(pdu + 24, pdu + N);
}

TEST(NetrServerGetInfoTest, RequestAsTheTestHostTookIt) {
  EXPECT_EQ(NetrServerGetInfoRequest(u"\\\\testhost", 100), Stub(capture::kGetInfo100Request));
  EXPECT_EQ(NetrServerGetInfoRequest(u"\\\\testhost", 503), Stub(capture::kGetInfo503Request));
}

TEST(NetrServerGetInfoTest, DecodesTheTestHostsLevels) {
  ServerInfoResponse r;
  ASSERT_TRUE(ParseNetrServerGetInfoResponse(Stub(capture::kGetInfo100Response), 100, &r));
  EXPECT_EQ(r.status, 0u);
  ASSERT_TRUE(r.has_info);
  ASSERT_EQ(r.fields.size(), 2u);
  EXPECT_EQ(r.fields[0].number, 500u);  // PLATFORM_ID_NT
  EXPECT_EQ(r.fields[1].text, u"TESTHOST");

  ASSERT_TRUE(ParseNetrServerGetInfoResponse(Stub(capture::kGetInfo101Response), 101, &r));
  ASSERT_EQ(r.fields.size(), 6u);
  EXPECT_EQ(r.fields[1].text, u"TESTHOST");
  EXPECT_EQ(r.fields[2].number, 6u);  // version major
  EXPECT_EQ(r.fields[3].number, 1u);  // version minor
  EXPECT_EQ(r.fields[5].text, u"winreach test host");

  ASSERT_TRUE(ParseNetrServerGetInfoResponse(Stub(capture::kGetInfo102Response), 102, &r));
  ASSERT_EQ(r.fields.size(), 13u);
  EXPECT_EQ(r.fields[5].text, u"winreach test host");
  EXPECT_TRUE(r.fields[12].is_string);
}

TEST(NetrServerGetInfoTest, RefusedLevelHasNoInfoAndItsStatus) {
  ServerInfoResponse r;
  ASSERT_TRUE(ParseNetrServerGetInfoResponse(Stub(capture::kGetInfo503Refused), 503, &r));
  EXPECT_FALSE(r.has_info);
  EXPECT_EQ(r.status, 124u);
}

TEST(NetrServerGetInfoTest, EveryTruncationIsRejected) {
  for (const auto& [pdu, level] :
       {std::pair{Stub(capture::kGetInfo100Response), 100u},
        std::pair{Stub(capture::kGetInfo101Response), 101u},
        std::pair{Stub(capture::kGetInfo102Response), 102u}}) {
    for (size_t cut = 0; cut + 3 < pdu.size(); ++cut) {
      // Cutting inside the trailing pad may still leave a whole answer:
      // only cuts that drop the status can be told apart for sure.
      std::vector<uint8_t> part(pdu.begin(), pdu.begin() + static_cast<ptrdiff_t>(cut));
      ServerInfoResponse r;
      EXPECT_FALSE(ParseNetrServerGetInfoResponse(part, level, &r)) << level << " cut " << cut;
    }
  }
}

TEST(NetrServerGetInfoTest, LyingAnswersAreRejected) {
  const auto good = Stub(capture::kGetInfo100Response);
  ServerInfoResponse r;
  // The union arm of another level.
  auto arm = good;
  arm[0] = 101;
  EXPECT_FALSE(ParseNetrServerGetInfoResponse(arm, 100, &r));
  // Asked for a level that has no layout here.
  EXPECT_FALSE(ParseNetrServerGetInfoResponse(good, 1005, &r));
  // The name's actual count inflated beyond the bytes.
  auto inflated = good;
  inflated[24] = 0x40;  // actual count of the name string
  inflated[16] = 0x40;  // and its maximum, so only the data can tell
  EXPECT_FALSE(ParseNetrServerGetInfoResponse(inflated, 100, &r));
}

TEST(NetrServerGetInfoTest, NullStringPointerStaysNull) {
  NdrWriter ndr;
  ndr.U32(100);
  ndr.Referent();
  ndr.U32(500);
  ndr.NullPointer();
  ndr.U32(0);
  ServerInfoResponse r;
  ASSERT_TRUE(ParseNetrServerGetInfoResponse(ndr.data(), 100, &r));
  ASSERT_EQ(r.fields.size(), 2u);
  EXPECT_FALSE(r.fields[1].text_present);
}

TEST(ServerInfoLayoutTest, FieldCountsOfTheFourLevels) {
  EXPECT_EQ(std::strlen(ServerInfoLayout(100)), 2u);
  EXPECT_EQ(std::strlen(ServerInfoLayout(101)), 6u);
  EXPECT_EQ(std::strlen(ServerInfoLayout(102)), 13u);
  EXPECT_EQ(std::strlen(ServerInfoLayout(503)), 42u);
  EXPECT_EQ(ServerInfoLayout(503)[18], 's');  // sv503_domain
  EXPECT_EQ(ServerInfoLayout(7), nullptr);
}

}  // namespace
}  // namespace winreach::rpc
