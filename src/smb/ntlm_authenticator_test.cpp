#include "smb/ntlm_authenticator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "platform/status_codes.h"
#include "smb/der.h"
#include "smb/spnego.h"
#include "smb/utf16.h"
#include "tests/data/ntlm_captures.h"
#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

using testing::Hex;
using Step = Authenticator::Step;

constexpr uint64_t kNow = 0x01d9000000000000;
constexpr uint64_t kServerTime = 0x01dc123456789abc;
const Bytes kServerChallenge = Hex("0123456789abcdef");
const Bytes kServerInit = BuildNegTokenInit(MechTypeList({kOidKerberos, kOidNtlmssp}), {});

Bytes Le64(uint64_t value) {
  Bytes out;
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return out;
}

// A CHALLENGE as a Windows server sends it: NetBIOS domain "Domain",
// computer "Server", and its time when `with_time`.
Bytes Challenge(bool with_time, uint32_t flags = 0xe28a8235) {
  Bytes info = Hex("02000c00 44006f006d00610069006e00 01000c00 530065007200760065007200");
  if (with_time) {
    const Bytes time = Hex("07000800");
    info.insert(info.end(), time.begin(), time.end());
    const Bytes value = Le64(kServerTime);
    info.insert(info.end(), value.begin(), value.end());
  }
  info.insert(info.end(), {0, 0, 0, 0});
  Bytes message = Hex("4e544c4d53535000 02000000 0c000c00 38000000");
  ByteWriter writer = ByteWriter::AppendTo(message);
  writer.U32Le(flags);
  writer.Bytes(kServerChallenge);
  writer.Bytes(Bytes(8, 0));
  writer.U16Le(static_cast<uint16_t>(info.size()));
  writer.U16Le(static_cast<uint16_t>(info.size()));
  writer.U32Le(68);
  writer.Bytes(Hex("0a0063450000000f"));
  writer.Bytes(Hex("530065007200760065007200"));
  writer.Bytes(info);
  return message;
}

// The server's negTokenResp.
Bytes ServerResp(std::optional<NegState> state, ByteSpan token, ByteSpan mic = {},
                 ByteSpan mech = kOidNtlmssp) {
  Bytes fields;
  if (state) AppendDer(fields, DerContext(0), Der(kDerEnumerated, Bytes{uint8_t(*state)}));
  if (!mech.empty()) AppendDer(fields, DerContext(1), Der(kDerOid, mech));
  if (!token.empty()) AppendDer(fields, DerContext(2), Der(kDerOctetString, token));
  if (!mic.empty()) AppendDer(fields, DerContext(3), Der(kDerOctetString, mic));
  return Der(DerContext(1), Der(kDerSequence, fields));
}

// Random bytes: aa for the client challenge, then 55 for the session key.
NtlmAuthenticator::RandomSource Random() {
  return [calls = 0](std::span<uint8_t> out) mutable {
    std::memset(out.data(), calls++ == 0 ? 0xaa : 0x55, out.size());
    return true;
  };
}

NtlmAuthenticator Account(NtlmAuthenticator::RandomSource random = Random()) {
  return NtlmAuthenticator({u"User", u"", Utf16Le(u"Password")}, u"COMPUTER", u"server.example",
                           std::move(random), kNow);
}

// The AUTHENTICATE's payload fields, in their order.
struct Authenticate {
  ByteSpan lm, nt, domain, user, workstation, key;
  uint32_t flags = 0;
  ByteSpan mic;
};

Authenticate Read(ByteSpan message) {
  Authenticate out;
  ByteReader reader(message);
  reader.Skip(12);
  for (ByteSpan* field : {&out.lm, &out.nt, &out.domain, &out.user, &out.workstation, &out.key}) {
    const uint16_t size = reader.U16Le();
    reader.Skip(2);
    const uint32_t offset = reader.U32Le();
    *field = message.subspan(offset, size);
  }
  out.flags = reader.U32Le();
  out.mic = message.subspan(kNtlmMicOffset, 16);
  return out;
}

Bytes Utf16(std::u16string_view text) {
  const SecretBytes units = Utf16Le(text);
  return Bytes(units.span().begin(), units.span().end());
}

TEST(NtlmAuthenticatorTest, LogsOnWithMicAndMechListMic) {
  NtlmAuthenticator auth = Account();
  Bytes out;
  ASSERT_EQ(auth.Next(kServerInit, &out), Step::kContinue);
  NegTokenInit init;
  ASSERT_TRUE(ParseNegTokenInit(out, &init));
  const Bytes negotiate = init.mech_token;
  EXPECT_EQ(init.mech_types.size(), 1u);
  ByteReader flags(ByteSpan(negotiate).subspan(12));
  EXPECT_EQ(flags.U32Le(), kNtlmClientFlags);

  const Bytes challenge = Challenge(true);
  ASSERT_EQ(auth.Next(ServerResp(NegState::kAcceptIncomplete, challenge), &out), Step::kContinue);
  NegTokenResp resp;
  ASSERT_TRUE(ParseNegTokenResp(out, &resp));
  const Bytes& message = resp.response_token;
  const Authenticate a = Read(message);
  EXPECT_EQ(Bytes(a.lm.begin(), a.lm.end()), Bytes(24, 0));
  EXPECT_EQ(Bytes(a.domain.begin(), a.domain.end()), Utf16(u"Domain"));  // the server's, none given
  EXPECT_EQ(Bytes(a.user.begin(), a.user.end()), Utf16(u"User"));
  EXPECT_EQ(Bytes(a.workstation.begin(), a.workstation.end()), Utf16(u"COMPUTER"));
  EXPECT_EQ(a.flags & (kNtlmNegotiateKeyExchange | kNtlmNegotiateAnonymous), kNtlmNegotiateKeyExchange);
  EXPECT_EQ(auth.account(), u"Domain\\User");

  // The NT response proves the password over the blob, which carries the
  // server's time, our challenge and the pairs with the MIC flag and SPN.
  const SecretBytes key = NtowfV2(NtHash(Utf16(u"Password")).span(), u"User", u"Domain");
  const ByteSpan blob = a.nt.subspan(16);
  const Digest16 proof = HmacMd5(key.span(), {kServerChallenge, blob});
  EXPECT_TRUE(std::equal(proof.begin(), proof.end(), a.nt.begin()));
  EXPECT_EQ(Bytes(blob.begin() + 8, blob.begin() + 16), Le64(kServerTime));
  EXPECT_EQ(Bytes(blob.begin() + 16, blob.begin() + 24), Bytes(8, 0xaa));
  const Bytes expected_tail = Hex("06000400 02000000 09002600");
  EXPECT_NE(std::search(blob.begin(), blob.end(), expected_tail.begin(), expected_tail.end()), blob.end());
  const Bytes spn = Utf16(u"cifs/server.example");
  EXPECT_NE(std::search(blob.begin(), blob.end(), spn.begin(), spn.end()), blob.end());

  // The session key is our random one, sent under RC4 with the base key.
  const Digest16 base = HmacMd5(key.span(), {proof});
  Bytes exported(a.key.begin(), a.key.end());
  Rc4(base).Crypt(exported);
  EXPECT_EQ(exported, Bytes(16, 0x55));
  EXPECT_EQ(Bytes(auth.SessionKey().span().begin(), auth.SessionKey().span().end()), exported);

  // The MIC covers the three messages with its own place zeroed.
  Bytes zeroed = message;
  std::fill_n(zeroed.begin() + kNtlmMicOffset, 16, 0);
  const Digest16 mic = HmacMd5(exported, {negotiate, challenge, zeroed});
  EXPECT_TRUE(std::equal(mic.begin(), mic.end(), a.mic.begin()));

  // mechListMIC: the client's signature of the mechanism list, sequence 0.
  const Bytes list = MechTypeList({kOidNtlmssp});
  ASSERT_TRUE(resp.mech_list_mic);
  const NtlmSignature client_mic = NtlmSealingContext(exported, a.flags, true).Sign(list);
  EXPECT_EQ(*resp.mech_list_mic, Bytes(client_mic.begin(), client_mic.end()));

  const NtlmSignature server_mic = NtlmSealingContext(exported, a.flags, false).Sign(list);
  EXPECT_FALSE(auth.server_proven());
  EXPECT_EQ(auth.Next(ServerResp(NegState::kAcceptCompleted, {}, server_mic, {}), &out), Step::kDone);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(auth.server_proven());
}

// A server that leaves our mechListMIC unanswered has proven nothing: the
// session must then have the proof from its signature.
TEST(NtlmAuthenticatorTest, UnansweredMechListMicLeavesTheServerUnproven) {
  for (const Bytes& last : {ServerResp(NegState::kAcceptCompleted, {}, {}, {}), Bytes()}) {
    NtlmAuthenticator auth = Account();
    Bytes out;
    ASSERT_EQ(auth.Next(kServerInit, &out), Step::kContinue);
    ASSERT_EQ(auth.Next(ServerResp(NegState::kAcceptIncomplete, Challenge(true)), &out),
              Step::kContinue);
    EXPECT_EQ(auth.Next(last, &out), Step::kDone);
    EXPECT_FALSE(auth.server_proven());
  }
}

// The recorded logon replayed: the same inputs give the very AUTHENTICATE
// Samba accepted, and Samba's own mechListMIC verifies.
TEST(NtlmAuthenticatorTest, ReplaysALogonSambaAccepted) {
  NtlmAuthenticator auth({u"root", u"", Utf16Le(u"Secr3t-pw")}, u"WRCLIENT", u"localhost", Random(),
                         kNow);
  Bytes out;
  ASSERT_EQ(auth.Next(capture::kSambaNegotiateToken, &out), Step::kContinue);
  ASSERT_EQ(auth.Next(capture::kSambaChallengeToken, &out), Step::kContinue);
  EXPECT_EQ(out, Bytes(std::begin(capture::kAcceptedAuthenticateToken),
                       std::end(capture::kAcceptedAuthenticateToken)));
  EXPECT_EQ(auth.Next(capture::kSambaFinalToken, &out), Step::kDone);
  EXPECT_EQ(auth.account(), u"NTLMSRV\\root");
}

TEST(NtlmAuthenticatorTest, WithoutServerTimeSendsLmv2AndNoMic) {
  NtlmAuthenticator auth = Account();
  Bytes out;
  ASSERT_EQ(auth.Next({}, &out), Step::kContinue);  // no hints: NTLM anyway
  ASSERT_EQ(auth.Next(ServerResp(NegState::kAcceptIncomplete, Challenge(false)), &out), Step::kContinue);
  NegTokenResp resp;
  ASSERT_TRUE(ParseNegTokenResp(out, &resp));
  const Authenticate a = Read(resp.response_token);
  EXPECT_EQ(a.lm.size(), 24u);
  EXPECT_EQ(Bytes(a.lm.begin() + 16, a.lm.end()), Bytes(8, 0xaa));
  EXPECT_EQ(Bytes(a.mic.begin(), a.mic.end()), Bytes(16, 0));
  EXPECT_FALSE(resp.mech_list_mic);
  EXPECT_EQ(Bytes(a.nt.begin() + 24, a.nt.begin() + 32), Le64(kNow));
  EXPECT_EQ(auth.Next({}, &out), Step::kDone);
}

TEST(NtlmAuthenticatorTest, LogsOnAnonymously) {
  NtlmAuthenticator auth({}, u"COMPUTER", u"server.example", Random(), kNow);
  EXPECT_EQ(auth.mechanism(), LogonMechanism::kAnonymous);
  Bytes out;
  ASSERT_EQ(auth.Next(kServerInit, &out), Step::kContinue);
  NegTokenInit init;
  ASSERT_TRUE(ParseNegTokenInit(out, &init));
  ByteReader negotiate(ByteSpan(init.mech_token).subspan(12));
  EXPECT_TRUE(negotiate.U32Le() & kNtlmNegotiateAnonymous);
  ASSERT_EQ(auth.Next(ServerResp(NegState::kAcceptIncomplete, Challenge(true)), &out), Step::kContinue);
  NegTokenResp resp;
  ASSERT_TRUE(ParseNegTokenResp(out, &resp));
  const Authenticate a = Read(resp.response_token);
  EXPECT_EQ(Bytes(a.lm.begin(), a.lm.end()), Bytes(1, 0));
  EXPECT_TRUE(a.nt.empty() && a.user.empty() && a.domain.empty() && a.key.empty());
  EXPECT_EQ(a.flags & (kNtlmNegotiateKeyExchange | kNtlmNegotiateAnonymous), kNtlmNegotiateAnonymous);
  EXPECT_FALSE(resp.mech_list_mic);
  EXPECT_TRUE(auth.SessionKey().empty());
  EXPECT_EQ(auth.account(), u"");
  EXPECT_EQ(auth.Next(ServerResp(NegState::kAcceptCompleted, {}, {}, {}), &out), Step::kDone);
}

TEST(NtlmAuthenticatorTest, FailsOnRefusedOrMalformedTokens) {
  const Bytes challenge = ServerResp(NegState::kAcceptIncomplete, Challenge(true));
  const Bytes done = ServerResp(NegState::kAcceptCompleted, {}, {}, {});
  struct Case {
    const char* what;
    std::vector<Bytes> tokens;  // the server's, the last one failing
    uint32_t failure;
  };
  const Case cases[] = {
      {"no NTLM offered", {BuildNegTokenInit(MechTypeList({kOidKerberos}), {})}, status::kNtlmBlocked},
      {"malformed init", {Hex("6003 0601 00")}, status::kInvalidParameter},
      {"rejected", {kServerInit, ServerResp(NegState::kReject, {})}, status::kLogonFailure},
      {"other mechanism chosen",
       {kServerInit, ServerResp(NegState::kAcceptIncomplete, Challenge(true), {}, kOidKerberos)},
       status::kNtlmBlocked},
      {"no challenge", {kServerInit, ServerResp(NegState::kAcceptIncomplete, {})}, status::kInvalidParameter},
      {"challenge cut short",
       {kServerInit, ServerResp(NegState::kAcceptIncomplete, ByteSpan(Challenge(true)).first(60))},
       status::kInvalidParameter},
      {"OEM only", {kServerInit, ServerResp(NegState::kAcceptIncomplete, Challenge(true, 0xe28a8234))},
       status::kInvalidParameter},
      {"final reject", {kServerInit, challenge, ServerResp(NegState::kReject, {})}, status::kLogonFailure},
      {"final still incomplete", {kServerInit, challenge, ServerResp(NegState::kAcceptIncomplete, {})},
       status::kInvalidParameter},
      {"final MIC wrong",
       {kServerInit, challenge, ServerResp(NegState::kAcceptCompleted, {}, Bytes(16, 1), {})},
       status::kAccessDenied},
      {"a fourth token",
       {kServerInit, ServerResp(NegState::kAcceptIncomplete, Challenge(false)), done, done},
       status::kInvalidParameter},
  };
  for (const Case& c : cases) {
    NtlmAuthenticator auth = Account();
    Bytes out;
    Step step = Step::kContinue;
    for (size_t i = 0; i < c.tokens.size(); ++i) {
      step = auth.Next(c.tokens[i], &out);
      if (i + 1 < c.tokens.size()) {
        ASSERT_NE(step, Step::kFailed) << c.what << " token " << i;
      }
    }
    EXPECT_EQ(step, Step::kFailed) << c.what;
    EXPECT_EQ(auth.failure(), c.failure) << c.what;
  }

  NtlmAuthenticator no_random = Account([](std::span<uint8_t>) { return false; });
  Bytes out;
  no_random.Next(kServerInit, &out);
  EXPECT_EQ(no_random.Next(challenge, &out), Step::kFailed);
  EXPECT_EQ(no_random.failure(), status::kGenFailure);
}

}  // namespace
}  // namespace winreach::smb
