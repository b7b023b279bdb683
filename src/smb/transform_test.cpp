#include "smb/transform.h"

#include <gtest/gtest.h>

#include <functional>

namespace winreach::smb {
namespace {

constexpr Cipher kCiphers[] = {Cipher::kAes128Ccm, Cipher::kAes128Gcm, Cipher::kAes256Ccm,
                               Cipher::kAes256Gcm};
constexpr uint64_t kSessionId = 0x0000100000000025;

Bytes KeyFor(Cipher cipher) { return Bytes(CipherKeySize(cipher), 0x4B); }
Bytes NonceFor(Cipher cipher) { return Bytes(CipherNonceSize(cipher), 0xA7); }

Bytes SomeMessage() {
  Bytes message(100);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 7);
  return message;
}

Bytes Encrypted(Cipher cipher) {
  Bytes frame;
  EXPECT_TRUE(
      EncryptMessage(cipher, KeyFor(cipher), kSessionId, NonceFor(cipher), SomeMessage(), &frame));
  return frame;
}

TEST(TransformTest, EncryptsBehindTheHeaderAndDecryptsBack) {
  for (Cipher cipher : kCiphers) {
    SCOPED_TRACE(static_cast<int>(cipher));
    const Bytes frame = Encrypted(cipher);
    ASSERT_EQ(frame.size(), kTransformHeaderSize + SomeMessage().size());
    EXPECT_TRUE(IsTransformMessage(frame));
    const size_t nonce_size = CipherNonceSize(cipher);
    const Bytes header_after_tag(frame.begin() + 20, frame.begin() + kTransformHeaderSize);
    Bytes expected(nonce_size, 0xA7);
    expected.resize(16, 0);  // the nonce's unused bytes are zero
    // OriginalMessageSize, Reserved, Flags, SessionId
    const uint8_t rest[] = {100, 0, 0, 0, 0, 0, 1, 0, 0x25, 0, 0, 0, 0, 0x10, 0, 0};
    expected.insert(expected.end(), std::begin(rest), std::end(rest));
    EXPECT_EQ(header_after_tag, expected);
    EXPECT_NE(Bytes(frame.begin() + kTransformHeaderSize, frame.end()), SomeMessage());

    Bytes message;
    uint64_t session_id = 0;
    ASSERT_EQ(DecryptMessage(cipher, KeyFor(cipher), frame, &session_id, &message),
              TransformError::kNone);
    EXPECT_EQ(message, SomeMessage());
    EXPECT_EQ(session_id, kSessionId);
  }
}

TEST(TransformTest, RefusesToEncryptWithUnfittingInputs) {
  const Cipher cipher = Cipher::kAes128Gcm;
  const Bytes message = SomeMessage();
  Bytes frame = {1, 2, 3};
  EXPECT_FALSE(EncryptMessage(cipher, Bytes(32, 1), kSessionId, NonceFor(cipher), message, &frame));
  EXPECT_TRUE(frame.empty());
  EXPECT_FALSE(EncryptMessage(cipher, KeyFor(cipher), kSessionId, Bytes(11, 1), message, &frame));
  EXPECT_FALSE(EncryptMessage(cipher, KeyFor(cipher), kSessionId, Bytes(13, 1), message, &frame));
  EXPECT_FALSE(EncryptMessage(cipher, KeyFor(cipher), kSessionId, NonceFor(cipher), {}, &frame));
  EXPECT_FALSE(EncryptMessage(static_cast<Cipher>(9), Bytes(16, 1), kSessionId, Bytes(16, 1),
                              message, &frame));
}

void PutU32(Bytes& frame, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) frame[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(TransformTest, DecryptionRefusesTamperedAndLyingFrames) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
    TransformError expected;
  };
  const Case cases[] = {
      {"a tag byte", [](Bytes& f) { f[4] ^= 1; }, TransformError::kTagMismatch},
      {"a nonce byte", [](Bytes& f) { f[20] ^= 1; }, TransformError::kTagMismatch},
      {"the session id", [](Bytes& f) { f[44] ^= 1; }, TransformError::kTagMismatch},
      {"the reserved field", [](Bytes& f) { f[40] = 1; }, TransformError::kTagMismatch},
      {"a ciphertext byte", [](Bytes& f) { f.back() ^= 1; }, TransformError::kTagMismatch},
      {"size one more", [](Bytes& f) { PutU32(f, 36, 101); }, TransformError::kWrongSize},
      {"size one less", [](Bytes& f) { PutU32(f, 36, 99); }, TransformError::kWrongSize},
      {"size zero", [](Bytes& f) { PutU32(f, 36, 0); }, TransformError::kWrongSize},
      {"size huge", [](Bytes& f) { PutU32(f, 36, 0xFFFFFFFF); }, TransformError::kWrongSize},
      {"last byte lost", [](Bytes& f) { f.pop_back(); }, TransformError::kWrongSize},
      {"a byte too many", [](Bytes& f) { f.push_back(0); }, TransformError::kWrongSize},
      {"header only", [](Bytes& f) { f.resize(kTransformHeaderSize); }, TransformError::kTooShort},
      {"half a header", [](Bytes& f) { f.resize(30); }, TransformError::kTooShort},
      {"three bytes", [](Bytes& f) { f.resize(3); }, TransformError::kTooShort},
      {"nothing", [](Bytes& f) { f.clear(); }, TransformError::kTooShort},
      {"an SMB2 header", [](Bytes& f) { f[0] = 0xFE; }, TransformError::kWrongProtocolId},
      {"short, not a transform", [](Bytes& f) {
         f.resize(10);
         f[0] = 0xFE;
       },
       TransformError::kWrongProtocolId},
      {"flags 0", [](Bytes& f) { f[42] = 0; }, TransformError::kWrongFlags},
      {"flags 2", [](Bytes& f) { f[42] = 2; }, TransformError::kWrongFlags},
  };
  for (Cipher cipher : kCiphers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " cipher " + std::to_string(static_cast<int>(cipher)));
      Bytes frame = Encrypted(cipher);
      c.change(frame);
      Bytes message = {9, 9};
      uint64_t session_id = 77;
      EXPECT_EQ(DecryptMessage(cipher, KeyFor(cipher), frame, &session_id, &message), c.expected);
      EXPECT_TRUE(message.empty());
      EXPECT_EQ(session_id, 77u);
    }
  }
}

TEST(TransformTest, DecryptionNeedsTheRightKeyAndCipher) {
  const Bytes frame = Encrypted(Cipher::kAes128Ccm);
  Bytes message;
  uint64_t session_id = 0;
  Bytes other_key = KeyFor(Cipher::kAes128Ccm);
  other_key[15] ^= 1;
  EXPECT_EQ(DecryptMessage(Cipher::kAes128Ccm, other_key, frame, &session_id, &message),
            TransformError::kTagMismatch);
  EXPECT_EQ(DecryptMessage(Cipher::kAes128Gcm, KeyFor(Cipher::kAes128Ccm), frame, &session_id,
                           &message),
            TransformError::kTagMismatch);
  EXPECT_EQ(DecryptMessage(Cipher::kAes256Ccm, KeyFor(Cipher::kAes128Ccm), frame, &session_id,
                           &message),
            TransformError::kUnusableKey);
  EXPECT_TRUE(message.empty());
}

TEST(TransformTest, RecognisesTheProtocolId) {
  EXPECT_TRUE(IsTransformMessage(Bytes{0xFD, 'S', 'M', 'B'}));
  EXPECT_FALSE(IsTransformMessage(Bytes{0xFE, 'S', 'M', 'B', 0x40}));
  EXPECT_FALSE(IsTransformMessage(Bytes{0xFD, 'S', 'M'}));
}

}  // namespace
}  // namespace winreach::smb
