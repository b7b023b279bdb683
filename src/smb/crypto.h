// The cryptography the SMB client needs, each a thin call into nettle: no
// primitive is written here. Inputs are spans; a message made of several
// pieces is passed as a list of them, so nothing is copied to be hashed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace winreach::smb {

using Bytes = std::vector<uint8_t>;
using ByteSpan = std::span<const uint8_t>;
using Pieces = std::initializer_list<ByteSpan>;
using Digest16 = std::array<uint8_t, 16>;
using Digest32 = std::array<uint8_t, 32>;
using Digest64 = std::array<uint8_t, 64>;

// Overwrites memory that held a secret, in a way the compiler keeps.
void Wipe(std::span<uint8_t> secret);

// Bytes that hold a secret (a password's hash, a session key): wiped when
// they go. Moves leave the source empty.
class SecretBytes {
 public:
  SecretBytes() = default;
  explicit SecretBytes(ByteSpan bytes) : bytes_(bytes.begin(), bytes.end()) {}
  explicit SecretBytes(size_t size) : bytes_(size, 0) {}
  ~SecretBytes() { Wipe(bytes_); }
  SecretBytes(const SecretBytes& other) : bytes_(other.bytes_) {}
  SecretBytes& operator=(const SecretBytes& other) {
    if (this != &other) Assign(other.bytes_);
    return *this;
  }
  SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
  SecretBytes& operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
      Wipe(bytes_);
      bytes_ = std::move(other.bytes_);
      other.bytes_.clear();
    }
    return *this;
  }

  void Assign(ByteSpan bytes) {
    Wipe(bytes_);
    bytes_.assign(bytes.begin(), bytes.end());
  }
  void Clear() {
    Wipe(bytes_);
    bytes_.clear();
  }
  bool empty() const { return bytes_.empty(); }
  size_t size() const { return bytes_.size(); }
  const uint8_t* data() const { return bytes_.data(); }
  uint8_t* data() { return bytes_.data(); }
  ByteSpan span() const { return bytes_; }
  std::span<uint8_t> span() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Whether two byte strings are equal, in a time that does not depend on
// where they differ (for signatures and MICs). Different sizes are unequal.
bool ConstantTimeEqual(ByteSpan a, ByteSpan b);

// Fills `out` from the kernel's random source: false when it would not.
bool FillRandom(std::span<uint8_t> out);

Digest16 Md4(Pieces message);
Digest16 Md5(Pieces message);
Digest16 HmacMd5(ByteSpan key, Pieces message);
Digest32 HmacSha256(ByteSpan key, Pieces message);
Digest64 Sha512(Pieces message);
// AES-128-CMAC; `key` must be 16 bytes.
Digest16 AesCmac128(ByteSpan key, Pieces message);

// The RC4 stream cipher, for NTLM's key exchange and sealing; the state
// runs on across calls, as NTLM's sealing handle does.
class Rc4 {
 public:
  explicit Rc4(ByteSpan key);
  ~Rc4();
  Rc4(const Rc4&) = delete;
  Rc4& operator=(const Rc4&) = delete;
  void Crypt(std::span<uint8_t> data);

 private:
  alignas(8) uint8_t state_[264];  // nettle's arcfour_ctx
};

// SMB's ciphers, by their numbers on the wire.
enum class Cipher : uint16_t {
  kAes128Ccm = 1,
  kAes128Gcm = 2,
  kAes256Ccm = 3,
  kAes256Gcm = 4,
};
inline constexpr size_t kAeadTagSize = 16;
size_t CipherKeySize(Cipher cipher);    // 16 or 32
size_t CipherNonceSize(Cipher cipher);  // 11 for CCM, 12 for GCM

// Encrypts `data` in place and writes the 16-byte tag over `aad` and the
// ciphertext. `key` and `nonce` must have the cipher's sizes; false if not.
bool AeadSeal(Cipher cipher, ByteSpan key, ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data,
              std::span<uint8_t, kAeadTagSize> tag);

// Decrypts `data` in place: true when the tag verifies. On false, `data`
// holds nothing to be used.
bool AeadOpen(Cipher cipher, ByteSpan key, ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data,
              std::span<const uint8_t, kAeadTagSize> tag);

// AES-128-GMAC: GCM's tag over `message` as authenticated data only; `key`
// 16 bytes, `nonce` 12.
Digest16 AesGmac128(ByteSpan key, ByteSpan nonce, Pieces message);

// The key derivation of NIST SP 800-108 in counter mode with HMAC-SHA256
// (r = 32, one block): the first `length` bytes (16 or 32) of
// HMAC-SHA256(key, i=1 || label || 0x00 || context || L), with i and L
// 32-bit big-endian. SMB's labels and contexts end in their own NUL, which
// the caller passes as part of them.
SecretBytes Sp800108Kdf(ByteSpan key, ByteSpan label, ByteSpan context, size_t length);

}  // namespace winreach::smb
