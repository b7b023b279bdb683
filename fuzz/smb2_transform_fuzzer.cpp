// Arbitrary bytes as an encrypted frame and as a signed message, with fixed
// keys (those of Microsoft's published examples, so the seeds reach the
// success paths); then the same bytes as a message to encrypt and sign,
// which must come back unchanged and verify.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "smb/crypto.h"
#include "smb/smb2_signing.h"
#include "smb/transform.h"

namespace {

using winreach::smb::Bytes;
using winreach::smb::Cipher;
using winreach::smb::SigningAlgorithm;

const Bytes kAes128Key = {0x74, 0x8C, 0x50, 0x86, 0x8C, 0x90, 0xF3, 0x02,
                          0x96, 0x2A, 0x5C, 0x35, 0xF5, 0xF9, 0xA8, 0xBF};
const Bytes kCcmKey = {0x8F, 0xE2, 0xB5, 0x7E, 0xC3, 0x4D, 0x2D, 0xB5,
                       0xB1, 0xA9, 0x72, 0x7F, 0x52, 0x6B, 0xBD, 0xB5};
const Bytes kSigningKey = {0x87, 0x65, 0x94, 0x9D, 0xFE, 0xAE, 0xE1, 0x05,
                           0xCE, 0x91, 0x18, 0xB4, 0x5B, 0xE9, 0x88, 0xF0};
const Bytes kAes256Key(32, 0x5A);

const Bytes& KeyFor(Cipher cipher) {
  switch (cipher) {
    case Cipher::kAes128Ccm:
      return kCcmKey;
    case Cipher::kAes128Gcm:
      return kAes128Key;
    default:
      return kAes256Key;
  }
}

constexpr Cipher kCiphers[] = {Cipher::kAes128Ccm, Cipher::kAes128Gcm, Cipher::kAes256Ccm,
                               Cipher::kAes256Gcm};
constexpr SigningAlgorithm kAlgorithms[] = {
    SigningAlgorithm::kHmacSha256, SigningAlgorithm::kAesCmac, SigningAlgorithm::kAesGmac};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::smb;
  const std::span<const uint8_t> input(data, size);
  IsTransformMessage(input);

  for (Cipher cipher : kCiphers) {
    // As a frame from the server.
    Bytes message = {1};
    uint64_t session_id = 0;
    const TransformError error = DecryptMessage(cipher, KeyFor(cipher), input, &session_id,
                                                &message);
    if (error != TransformError::kNone && !message.empty()) __builtin_trap();
    if (error == TransformError::kNone && message.size() + kTransformHeaderSize != size) {
      __builtin_trap();
    }

    // As a message of ours: encrypted, it decrypts to itself.
    if (size == 0) continue;
    const Bytes nonce(CipherNonceSize(cipher), static_cast<uint8_t>(size));
    Bytes frame;
    if (!EncryptMessage(cipher, KeyFor(cipher), size, nonce, input, &frame)) __builtin_trap();
    if (DecryptMessage(cipher, KeyFor(cipher), frame, &session_id, &message) !=
            TransformError::kNone ||
        session_id != size || message != Bytes(input.begin(), input.end())) {
      __builtin_trap();
    }
  }

  for (SigningAlgorithm algorithm : kAlgorithms) {
    VerifyMessage(algorithm, kSigningKey, input);
    Bytes signed_message(input.begin(), input.end());
    const bool signed_ok = SignMessage(algorithm, kSigningKey, signed_message);
    if (signed_ok != (size >= kSmb2HeaderSize)) __builtin_trap();
    if (signed_ok && !VerifyMessage(algorithm, kSigningKey, signed_message)) __builtin_trap();
  }
  return 0;
}
