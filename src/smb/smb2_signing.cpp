#include "smb/smb2_signing.h"

#include <algorithm>
#include <array>

namespace winreach::smb {

namespace {

constexpr size_t kFlagsOffset = 16;
constexpr size_t kCommandOffset = 12;
constexpr size_t kMessageIdOffset = 24;
constexpr size_t kSignatureOffset = 48;
constexpr size_t kSignatureSize = 16;
constexpr uint8_t kServerToRedir = 0x01;
constexpr uint8_t kSigned = 0x08;
constexpr uint16_t kCancel = 0x000C;

// The signature of `message` as if its Signature field were zero. The
// message is fed in three pieces around that field, so nothing is copied.
bool Compute(SigningAlgorithm algorithm, ByteSpan key, ByteSpan message, Digest16* signature) {
  if (message.size() < kSmb2HeaderSize || key.empty()) return false;
  static constexpr std::array<uint8_t, kSignatureSize> kZeros{};
  const ByteSpan before = message.first(kSignatureOffset);
  const ByteSpan after = message.subspan(kSignatureOffset + kSignatureSize);
  switch (algorithm) {
    case SigningAlgorithm::kHmacSha256: {
      Digest32 mac = HmacSha256(key, {before, kZeros, after});
      std::copy_n(mac.begin(), kSignatureSize, signature->begin());
      Wipe(mac);
      return true;
    }
    case SigningAlgorithm::kAesCmac:
      if (key.size() != 16) return false;
      *signature = AesCmac128(key, {before, kZeros, after});
      return true;
    case SigningAlgorithm::kAesGmac: {
      if (key.size() != 16) return false;
      std::array<uint8_t, 12> nonce{};
      std::copy_n(message.begin() + kMessageIdOffset, 8, nonce.begin());
      const uint16_t command =
          static_cast<uint16_t>(message[kCommandOffset] | message[kCommandOffset + 1] << 8);
      nonce[8] = static_cast<uint8_t>((message[kFlagsOffset] & kServerToRedir ? 0x01 : 0) |
                                      (command == kCancel ? 0x02 : 0));
      *signature = AesGmac128(key, nonce, {before, kZeros, after});
      return true;
    }
  }
  return false;
}

}  // namespace

bool SignMessage(SigningAlgorithm algorithm, ByteSpan key, std::span<uint8_t> message) {
  if (message.size() < kSmb2HeaderSize) return false;
  // The SIGNED flag is covered by the signature, so it is set first.
  const uint8_t flags = message[kFlagsOffset];
  message[kFlagsOffset] = flags | kSigned;
  Digest16 signature;
  if (!Compute(algorithm, key, message, &signature)) {
    message[kFlagsOffset] = flags;
    return false;
  }
  std::copy(signature.begin(), signature.end(), message.begin() + kSignatureOffset);
  return true;
}

bool VerifyMessage(SigningAlgorithm algorithm, ByteSpan key, ByteSpan message) {
  Digest16 signature;
  if (!Compute(algorithm, key, message, &signature)) return false;
  return ConstantTimeEqual(signature, message.subspan(kSignatureOffset, kSignatureSize));
}

}  // namespace winreach::smb
