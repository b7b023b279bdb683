#include "smb/spnego.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

using testing::Hex;

// A negotiate response's token as Samba sends it: negTokenInit2 offering
// MS-KRB5, Kerberos and NTLMSSP, with its placeholder negHints.
const Bytes kServerInit = Hex(
    "605e06062b0601050502a0543052a024302206092a864882f71201020206092a864886f712010202060a2b0601"
    "0401823702020aa32a3028a0261b246e6f745f646566696e65645f696e5f5246433431373840706c656173655f"
    "69676e6f7265");

// accept-incomplete, NTLMSSP, an 8-byte responseToken and a 16-byte MIC.
const Bytes kServerResp = Hex(
    "a1353033a0030a0101a10c060a2b06010401823702020aa20a04084e544c4d53535000a3120410000102030405"
    "060708090a0b0c0d0e0f");

struct Lie {
  const char* what;
  size_t at;
  uint8_t byte;
};

TEST(SpnegoTest, ReadsTheServersNegTokenInit2) {
  NegTokenInit init;
  ASSERT_TRUE(ParseNegTokenInit(kServerInit, &init));
  ASSERT_EQ(init.mech_types.size(), 3u);
  EXPECT_TRUE(Offers(init, kOidMsKerberos));
  EXPECT_TRUE(Offers(init, kOidKerberos));
  EXPECT_TRUE(Offers(init, kOidNtlmssp));
  EXPECT_TRUE(init.mech_token.empty());
}

TEST(SpnegoTest, BuildsOurNegTokenInitAndReadsItBack) {
  const Bytes list = MechTypeList({kOidNtlmssp});
  EXPECT_EQ(BuildNegTokenInit(list, Hex("616263")),
            Hex("6023 06062b0601050502 a019 3017 a00e 300c 060a2b06010401823702020a a205 0403616263"));
  const Bytes long_token(300, 0x4e);
  NegTokenInit init;
  ASSERT_TRUE(ParseNegTokenInit(BuildNegTokenInit(list, long_token), &init));
  EXPECT_EQ(init.mech_token, long_token);
  EXPECT_EQ(init.mech_types, std::vector<Bytes>{Bytes(std::begin(kOidNtlmssp), std::end(kOidNtlmssp))});
}

TEST(SpnegoTest, ReadsAndBuildsNegTokenResp) {
  NegTokenResp resp;
  ASSERT_TRUE(ParseNegTokenResp(kServerResp, &resp));
  EXPECT_EQ(resp.state, NegState::kAcceptIncomplete);
  EXPECT_EQ(resp.supported_mech, Bytes(std::begin(kOidNtlmssp), std::end(kOidNtlmssp)));
  EXPECT_EQ(resp.response_token, Hex("4e544c4d53535000"));
  EXPECT_EQ(resp.mech_list_mic, Hex("000102030405060708090a0b0c0d0e0f"));

  ASSERT_TRUE(ParseNegTokenResp(Hex("a107 3005 a0030a0100"), &resp));
  EXPECT_EQ(resp.state, NegState::kAcceptCompleted);
  EXPECT_FALSE(resp.mech_list_mic);

  EXPECT_EQ(BuildNegTokenResp(Hex("aabb"), Hex("0102")),
            Hex("a10e 300c a2040402aabb a3040402 0102"));
  const Bytes long_token(200, 1);
  ASSERT_TRUE(ParseNegTokenResp(BuildNegTokenResp(long_token, {}), &resp));
  EXPECT_EQ(resp.response_token, long_token);
  EXPECT_FALSE(resp.state);
}

TEST(SpnegoTest, RefusesTruncatedAndLyingTokens) {
  for (size_t size = 0; size < kServerInit.size(); ++size) {
    NegTokenInit init;
    EXPECT_FALSE(ParseNegTokenInit(ByteSpan(kServerInit).first(size), &init)) << size;
  }
  for (size_t size = 0; size < kServerResp.size(); ++size) {
    NegTokenResp resp;
    EXPECT_FALSE(ParseNegTokenResp(ByteSpan(kServerResp).first(size), &resp)) << size;
  }
  const Lie init_lies[] = {
      {"outer length past the end", 1, 0x5f},
      {"five length bytes", 1, 0x85},
      {"indefinite length", 11, 0x80},
      {"nested length past its parent", 15, 0x60},
      {"not SPNEGO", 9, 0x03},
      {"multi-byte tag", 12, 0x3f},
      {"mechanism that is not an OID", 18, 0x04},
      {"fields out of order", 52, 0xa0},
  };
  for (const Lie& lie : init_lies) {
    Bytes token = kServerInit;
    token[lie.at] = lie.byte;
    NegTokenInit init;
    EXPECT_FALSE(ParseNegTokenInit(token, &init)) << lie.what;
  }
  const Lie resp_lies[] = {
      {"not a negTokenResp", 0, 0xa0},
      {"negState out of range", 8, 0x04},
      {"negState longer than its field", 7, 0x02},
      {"responseToken not an OCTET STRING", 25, 0x30},
      {"unknown field", 35, 0xa4},
  };
  for (const Lie& lie : resp_lies) {
    Bytes token = kServerResp;
    token[lie.at] = lie.byte;
    NegTokenResp resp;
    EXPECT_FALSE(ParseNegTokenResp(token, &resp)) << lie.what;
  }
  Bytes trailing = kServerResp;
  trailing.push_back(0);
  NegTokenResp resp;
  EXPECT_FALSE(ParseNegTokenResp(trailing, &resp));
  NegTokenInit init;
  EXPECT_FALSE(ParseNegTokenInit(Hex("600e 06062b0601050502 a004 3002 a000"), &init)) << "no mechanism";
}

}  // namespace
}  // namespace winreach::smb
