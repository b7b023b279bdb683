#include "smb/smb2_keys.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

Bytes Of(ByteSpan bytes) { return Bytes(bytes.begin(), bytes.end()); }

Bytes Sequence(size_t size, uint8_t first) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(first + i);
  return out;
}

void ExpectSameKeys(const SessionKeys& a, const SessionKeys& b) {
  EXPECT_EQ(Of(a.signing.span()), Of(b.signing.span()));
  EXPECT_EQ(Of(a.encryption.span()), Of(b.encryption.span()));
  EXPECT_EQ(Of(a.decryption.span()), Of(b.decryption.span()));
  EXPECT_EQ(Of(a.application.span()), Of(b.application.span()));
}

const Bytes kHash = Sequence(64, 0x40);

TEST(SessionKeysTest, SessionKeyIsCutOrPaddedToSixteenBytes) {
  const Bytes key16 = Sequence(16, 1);
  Bytes key32 = key16;  // a Kerberos AES-256 key: only its first half counts
  key32.resize(32, 0xEE);
  const Bytes key8 = Sequence(8, 1);
  Bytes key8_padded = key8;
  key8_padded.resize(16, 0);
  for (Dialect dialect : {Dialect::k210, Dialect::k300, Dialect::k311}) {
    SCOPED_TRACE(static_cast<int>(dialect));
    ExpectSameKeys(DeriveSessionKeys(dialect, key32, kHash, Cipher::kAes128Gcm),
                   DeriveSessionKeys(dialect, key16, kHash, Cipher::kAes128Gcm));
    ExpectSameKeys(DeriveSessionKeys(dialect, key8, kHash, Cipher::kAes128Gcm),
                   DeriveSessionKeys(dialect, key8_padded, kHash, Cipher::kAes128Gcm));
  }
}

TEST(SessionKeysTest, Smb2SignsWithTheSessionKeyItselfAndHasNoOthers) {
  const Bytes key = Sequence(16, 1);
  for (Dialect dialect : {Dialect::k202, Dialect::k210}) {
    const SessionKeys keys = DeriveSessionKeys(dialect, key, {}, Cipher::kAes128Ccm);
    EXPECT_EQ(Of(keys.signing.span()), key);
    EXPECT_TRUE(keys.encryption.empty());
    EXPECT_TRUE(keys.decryption.empty());
    EXPECT_TRUE(keys.application.empty());
  }
}

TEST(SessionKeysTest, Aes256CiphersGetThirtyTwoByteCipherKeys) {
  const Bytes key = Sequence(16, 1);
  const SessionKeys aes128 = DeriveSessionKeys(Dialect::k311, key, kHash, Cipher::kAes128Gcm);
  for (Cipher cipher : {Cipher::kAes256Ccm, Cipher::kAes256Gcm}) {
    const SessionKeys aes256 = DeriveSessionKeys(Dialect::k311, key, kHash, cipher);
    EXPECT_EQ(aes256.encryption.size(), 32u);
    EXPECT_EQ(aes256.decryption.size(), 32u);
    EXPECT_EQ(Of(aes256.signing.span()), Of(aes128.signing.span()));
    EXPECT_EQ(Of(aes256.application.span()), Of(aes128.application.span()));
  }
}

// A Kerberos AES-256 session key is 32 bytes: the AES-256 cipher keys come
// from all of it, the signing key from its first half. Expected values
// computed apart from this code (SP800-108 counter mode with HMAC-SHA256).
TEST(SessionKeysTest, Aes256CipherKeysUseTheWholeSessionKey) {
  const Bytes key = Sequence(32, 1);
  const SessionKeys keys = DeriveSessionKeys(Dialect::k311, key, kHash, Cipher::kAes256Gcm);
  EXPECT_EQ(Of(keys.encryption.span()),
            testing::Hex("e0c93e9789e86d274859eb52613daca7c8c17e3eeb0b3e0770d2902459b7441d"));
  EXPECT_EQ(Of(keys.decryption.span()),
            testing::Hex("0242f194f5c904fa623e0583c8a654ce1bf8b200313b1f7953a78bc927b9010a"));
  EXPECT_EQ(Of(keys.signing.span()), testing::Hex("005112ec0675d4b5d2a7b1cdab10ffa8"));
}

TEST(SessionKeysTest, NoKeysWithoutASessionKeyOrWithABadPreauthHash) {
  struct Case {
    const char* name;
    Dialect dialect;
    Bytes session_key;
    Bytes preauth_hash;
  };
  const Case cases[] = {
      {"anonymous 2.1", Dialect::k210, {}, {}},
      {"guest 3.0", Dialect::k300, {}, {}},
      {"anonymous 3.1.1", Dialect::k311, {}, kHash},
      {"3.1.1 without a preauth hash", Dialect::k311, Sequence(16, 1), {}},
      {"3.1.1 with a short preauth hash", Dialect::k311, Sequence(16, 1), Sequence(32, 0)},
      {"unknown dialect", static_cast<Dialect>(0x02FF), Sequence(16, 1), kHash},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SessionKeys keys =
        DeriveSessionKeys(c.dialect, c.session_key, c.preauth_hash, Cipher::kAes128Ccm);
    EXPECT_TRUE(keys.signing.empty());
    EXPECT_TRUE(keys.encryption.empty());
    EXPECT_TRUE(keys.decryption.empty());
    EXPECT_TRUE(keys.application.empty());
  }
}

}  // namespace
}  // namespace winreach::smb
