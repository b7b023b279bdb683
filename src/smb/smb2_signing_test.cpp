#include "smb/smb2_signing.h"

#include <gtest/gtest.h>

#include <array>

namespace winreach::smb {
namespace {

const Bytes kKey(16, 0x5A);
constexpr SigningAlgorithm kAlgorithms[] = {SigningAlgorithm::kHmacSha256,
                                           SigningAlgorithm::kAesCmac, SigningAlgorithm::kAesGmac};

// A 64-byte header with the given command, flags and message id, and a body.
Bytes Message(uint16_t command, uint8_t flags, uint64_t message_id, size_t body = 24) {
  Bytes message(kSmb2HeaderSize + body, 0);
  const uint8_t protocol[] = {0xFE, 'S', 'M', 'B'};
  std::copy(std::begin(protocol), std::end(protocol), message.begin());
  message[4] = 64;
  message[12] = static_cast<uint8_t>(command);
  message[13] = static_cast<uint8_t>(command >> 8);
  message[16] = flags;
  for (int i = 0; i < 8; ++i) message[24 + i] = static_cast<uint8_t>(message_id >> (8 * i));
  for (size_t i = kSmb2HeaderSize; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i);
  return message;
}

TEST(SigningTest, SignedMessagesVerifyAndAnyChangedByteFails) {
  for (SigningAlgorithm algorithm : kAlgorithms) {
    SCOPED_TRACE(static_cast<int>(algorithm));
    Bytes message = Message(0x0003, 0, 7);
    ASSERT_TRUE(SignMessage(algorithm, kKey, message));
    EXPECT_EQ(message[16] & 0x08, 0x08) << "SMB2_FLAGS_SIGNED";
    EXPECT_TRUE(VerifyMessage(algorithm, kKey, message));

    const size_t last = message.size() - 1;
    for (size_t at : {size_t{0}, size_t{16}, size_t{24}, size_t{48}, size_t{63}, last}) {
      Bytes changed = message;
      changed[at] ^= 0x01;
      EXPECT_FALSE(VerifyMessage(algorithm, kKey, changed)) << "byte " << at;
    }
    Bytes other_key = kKey;
    other_key[0] ^= 0x80;
    EXPECT_FALSE(VerifyMessage(algorithm, other_key, message));
    Bytes longer = message;
    longer.push_back(0);
    EXPECT_FALSE(VerifyMessage(algorithm, kKey, longer));
  }
}

// GMAC's nonce is the MessageId, then bit 0 for the server's messages and
// bit 1 for CANCEL: recomputed here from the parts.
TEST(SigningTest, GmacNonceCarriesMessageIdRoleAndCancel) {
  struct Case {
    uint16_t command;
    uint8_t flags;
    uint8_t nonce_bits;
  };
  for (const Case& c : {Case{0x0008, 0x00, 0x00}, Case{0x0008, 0x01, 0x01},
                        Case{0x000C, 0x00, 0x02}, Case{0x000C, 0x01, 0x03}}) {
    SCOPED_TRACE(c.command * 256 + c.flags);
    Bytes message = Message(c.command, c.flags, 0x1122334455667788);
    ASSERT_TRUE(SignMessage(SigningAlgorithm::kAesGmac, kKey, message));

    Bytes zeroed = message;
    std::fill_n(zeroed.begin() + 48, 16, 0);
    const std::array<uint8_t, 12> nonce = {0x88, 0x77, 0x66, 0x55, 0x44, 0x33,
                                           0x22, 0x11, c.nonce_bits, 0, 0, 0};
    const Digest16 expected = AesGmac128(kKey, nonce, {zeroed});
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), message.begin() + 48));
  }
}

TEST(SigningTest, RefusesShortMessagesAndUnusableKeys) {
  struct Case {
    const char* name;
    SigningAlgorithm algorithm;
    Bytes key;
    size_t size;
  };
  const Case cases[] = {
      {"shorter than the header", SigningAlgorithm::kAesCmac, kKey, kSmb2HeaderSize - 1},
      {"empty HMAC key (guest)", SigningAlgorithm::kHmacSha256, {}, 80},
      {"empty CMAC key", SigningAlgorithm::kAesCmac, {}, 80},
      {"32-byte CMAC key", SigningAlgorithm::kAesCmac, Bytes(32, 1), 80},
      {"15-byte GMAC key", SigningAlgorithm::kAesGmac, Bytes(15, 1), 80},
      {"unknown algorithm", static_cast<SigningAlgorithm>(3), kKey, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes message(c.size, 0x33);
    const Bytes before = message;
    EXPECT_FALSE(SignMessage(c.algorithm, c.key, message));
    EXPECT_EQ(message, before);
    EXPECT_FALSE(VerifyMessage(c.algorithm, c.key, message));
  }
}

}  // namespace
}  // namespace winreach::smb
