// Known answers published with the protocols, one table per protocol.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "smb/crypto.h"
#include "smb/ntlm.h"
#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

using testing::Hex;

// NTLMv2 with the common values: user "User", domain "Domain", password
// "Password", server challenge 0123456789abcdef, client challenge aa*8,
// time zero, random session key 55*16, and the challenge's AV pairs.
TEST(KnownAnswerTest, NtlmV2) {
  const Bytes server_challenge = Hex("0123456789abcdef");
  const Bytes client_challenge = Hex("aaaaaaaaaaaaaaaa");
  const Bytes random_session_key(16, 0x55);
  const Bytes target_info = Hex(
      "02000c00 44006f006d00610069006e00"  // NetBIOS domain "Domain"
      "01000c00 530065007200760065007200"  // NetBIOS server "Server"
      "00000000");
  const uint32_t flags = 0xe28a8233;

  const SecretBytes nt_hash = NtHash("Password");
  const SecretBytes key = NtowfV2(nt_hash.span(), "User", "Domain");
  const NtlmV2Response response =
      ComputeNtlmV2Response(key.span(), server_challenge, client_challenge, 0, target_info);
  Bytes encrypted_key = random_session_key;
  Rc4(response.session_base_key.span()).Crypt(encrypted_key);

  // A sealed and signed message: the data is sealed first, then signed
  // with the same RC4 handle.
  NtlmSealingContext client(random_session_key, flags, true);
  Bytes sealed = Hex("50006c00610069006e007400650078007400");  // "Plaintext"
  const Bytes plaintext = sealed;
  client.Seal(sealed);
  const NtlmSignature signature = client.Sign(plaintext);

  struct Row {
    const char* name;
    Bytes computed;
    const char* expected;
  };
  const Row rows[] = {
      {"NT hash", Bytes(nt_hash.span().begin(), nt_hash.span().end()),
       "a4f49c406510bdcab6824ee7c30fd852"},
      {"NTOWFv2", Bytes(key.span().begin(), key.span().end()), "0c868a403bfd7a93a3001ef22ef02e3f"},
      {"LMv2 response", response.lm_response,
       "86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa"},
      {"NTProofStr", Bytes(response.nt_response.begin(), response.nt_response.begin() + 16),
       "68cd0ab851e51c96aabc927bebef6a1c"},
      {"session base key",
       Bytes(response.session_base_key.span().begin(), response.session_base_key.span().end()),
       "8de40ccadbc14a82f15cb0ad0de95ca3"},
      {"encrypted session key", encrypted_key, "c5dad2544fc9799094ce1ce90bc9d03e"},
      {"client signing key", [&] {
         const SecretBytes k = NtlmSigningKey(random_session_key, true);
         return Bytes(k.span().begin(), k.span().end());
       }(),
       "4788dc861b4782f35d43fd98fe1a2d39"},
      {"client sealing key", [&] {
         const SecretBytes k = NtlmSealingKey(random_session_key, flags, true);
         return Bytes(k.span().begin(), k.span().end());
       }(),
       "59f600973cc4960a25480a7c196e4c58"},
      {"sealed data", sealed, "54e50165bf1936dc996020c1811b0f06fb5f"},
      {"signature", Bytes(signature.begin(), signature.end()), "010000007fb38ec5c55d497600000000"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.computed, Hex(row.expected)) << row.name;
}

}  // namespace
}  // namespace winreach::smb
