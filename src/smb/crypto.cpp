#include "smb/crypto.h"

#include <nettle/arcfour.h>
#include <nettle/ccm.h>
#include <nettle/cmac.h>
#include <nettle/gcm.h>
#include <nettle/hmac.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/memops.h>
#include <nettle/sha2.h>
#include <string.h>
#include <sys/random.h>

#include <cerrno>

namespace winreach::smb {

static_assert(sizeof(arcfour_ctx) <= sizeof(uint8_t[264]), "Rc4 keeps nettle's state inline");

void Wipe(std::span<uint8_t> secret) {
  if (!secret.empty()) explicit_bzero(secret.data(), secret.size());
}

bool ConstantTimeEqual(ByteSpan a, ByteSpan b) {
  return a.size() == b.size() && (a.empty() || memeql_sec(a.data(), b.data(), a.size()) != 0);
}

bool FillRandom(std::span<uint8_t> out) {
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = getrandom(out.data() + done, out.size() - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

namespace {

// Feeds every piece to a nettle update function.
template <typename Context, typename Update>
void Feed(Context* context, Update update, Pieces message) {
  for (ByteSpan piece : message) update(context, piece.size(), piece.data());
}

}  // namespace

Digest16 Md4(Pieces message) {
  md4_ctx context;
  md4_init(&context);
  Feed(&context, md4_update, message);
  Digest16 digest;
  md4_digest(&context, digest.size(), digest.data());
  // The context held the UTF-16 password it hashed.
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
  return digest;
}

Digest16 Md5(Pieces message) {
  md5_ctx context;
  md5_init(&context);
  Feed(&context, md5_update, message);
  Digest16 digest;
  md5_digest(&context, digest.size(), digest.data());
  // It may have hashed a key (NTLM's sealing keys come from the session key).
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
  return digest;
}

Digest16 HmacMd5(ByteSpan key, Pieces message) {
  hmac_md5_ctx context;
  hmac_md5_set_key(&context, key.size(), key.data());
  Feed(&context, hmac_md5_update, message);
  Digest16 digest;
  hmac_md5_digest(&context, digest.size(), digest.data());
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
  return digest;
}

Digest32 HmacSha256(ByteSpan key, Pieces message) {
  hmac_sha256_ctx context;
  hmac_sha256_set_key(&context, key.size(), key.data());
  Feed(&context, hmac_sha256_update, message);
  Digest32 digest;
  hmac_sha256_digest(&context, digest.size(), digest.data());
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
  return digest;
}

Digest64 Sha512(Pieces message) {
  sha512_ctx context;
  sha512_init(&context);
  Feed(&context, sha512_update, message);
  Digest64 digest;
  sha512_digest(&context, digest.size(), digest.data());
  return digest;
}

Digest16 AesCmac128(ByteSpan key, Pieces message) {
  Digest16 digest{};
  if (key.size() != AES128_KEY_SIZE) return digest;
  cmac_aes128_ctx context;
  cmac_aes128_set_key(&context, key.data());
  Feed(&context, cmac_aes128_update, message);
  cmac_aes128_digest(&context, digest.size(), digest.data());
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
  return digest;
}

Rc4::Rc4(ByteSpan key) {
  arcfour_set_key(reinterpret_cast<arcfour_ctx*>(state_), key.size(), key.data());
}

Rc4::~Rc4() { Wipe(state_); }

void Rc4::Crypt(std::span<uint8_t> data) {
  arcfour_crypt(reinterpret_cast<arcfour_ctx*>(state_), data.size(), data.data(), data.data());
}

size_t CipherKeySize(Cipher cipher) {
  return cipher == Cipher::kAes256Ccm || cipher == Cipher::kAes256Gcm ? 32 : 16;
}

size_t CipherNonceSize(Cipher cipher) {
  return cipher == Cipher::kAes128Ccm || cipher == Cipher::kAes256Ccm ? 11 : 12;
}

namespace {

// An AEAD mode as nettle spells it for one cipher: CCM and GCM differ only
// in how a message starts (CCM must know every length first).
template <typename Context>
struct AeadMode {
  void (*set_key)(Context*, const uint8_t*);
  void (*start)(Context*, ByteSpan nonce, size_t aad_size, size_t data_size);
  void (*update)(Context*, size_t, const uint8_t*);
  void (*encrypt)(Context*, size_t, uint8_t*, const uint8_t*);
  void (*decrypt)(Context*, size_t, uint8_t*, const uint8_t*);
  void (*digest)(Context*, size_t, uint8_t*);
};

template <typename Context>
void RunAead(const AeadMode<Context>& mode, bool encrypt, ByteSpan key, ByteSpan nonce,
             ByteSpan aad, std::span<uint8_t> data, uint8_t* tag) {
  Context context;
  mode.set_key(&context, key.data());
  mode.start(&context, nonce, aad.size(), data.size());
  mode.update(&context, aad.size(), aad.data());
  (encrypt ? mode.encrypt : mode.decrypt)(&context, data.size(), data.data(), data.data());
  mode.digest(&context, kAeadTagSize, tag);
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
}

constexpr AeadMode<ccm_aes128_ctx> kAes128Ccm = {
    ccm_aes128_set_key,
    [](ccm_aes128_ctx* c, ByteSpan nonce, size_t aad_size, size_t data_size) {
      ccm_aes128_set_nonce(c, nonce.size(), nonce.data(), aad_size, data_size, kAeadTagSize);
    },
    ccm_aes128_update, ccm_aes128_encrypt, ccm_aes128_decrypt, ccm_aes128_digest};
constexpr AeadMode<ccm_aes256_ctx> kAes256Ccm = {
    ccm_aes256_set_key,
    [](ccm_aes256_ctx* c, ByteSpan nonce, size_t aad_size, size_t data_size) {
      ccm_aes256_set_nonce(c, nonce.size(), nonce.data(), aad_size, data_size, kAeadTagSize);
    },
    ccm_aes256_update, ccm_aes256_encrypt, ccm_aes256_decrypt, ccm_aes256_digest};
constexpr AeadMode<gcm_aes128_ctx> kAes128Gcm = {
    gcm_aes128_set_key,
    [](gcm_aes128_ctx* c, ByteSpan nonce, size_t, size_t) {
      gcm_aes128_set_iv(c, nonce.size(), nonce.data());
    },
    gcm_aes128_update, gcm_aes128_encrypt, gcm_aes128_decrypt, gcm_aes128_digest};
constexpr AeadMode<gcm_aes256_ctx> kAes256Gcm = {
    gcm_aes256_set_key,
    [](gcm_aes256_ctx* c, ByteSpan nonce, size_t, size_t) {
      gcm_aes256_set_iv(c, nonce.size(), nonce.data());
    },
    gcm_aes256_update, gcm_aes256_encrypt, gcm_aes256_decrypt, gcm_aes256_digest};

// Encrypts or decrypts `data` in place and writes the tag; false for a
// cipher we do not know.
bool Aead(Cipher cipher, bool encrypt, ByteSpan key, ByteSpan nonce, ByteSpan aad,
          std::span<uint8_t> data, uint8_t* tag) {
  switch (cipher) {
    case Cipher::kAes128Ccm:
      RunAead(kAes128Ccm, encrypt, key, nonce, aad, data, tag);
      return true;
    case Cipher::kAes256Ccm:
      RunAead(kAes256Ccm, encrypt, key, nonce, aad, data, tag);
      return true;
    case Cipher::kAes128Gcm:
      RunAead(kAes128Gcm, encrypt, key, nonce, aad, data, tag);
      return true;
    case Cipher::kAes256Gcm:
      RunAead(kAes256Gcm, encrypt, key, nonce, aad, data, tag);
      return true;
  }
  return false;
}

bool SizesFit(Cipher cipher, ByteSpan key, ByteSpan nonce) {
  return key.size() == CipherKeySize(cipher) && nonce.size() == CipherNonceSize(cipher);
}

}  // namespace

bool AeadSeal(Cipher cipher, ByteSpan key, ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data,
              std::span<uint8_t, kAeadTagSize> tag) {
  return SizesFit(cipher, key, nonce) && Aead(cipher, true, key, nonce, aad, data, tag.data());
}

bool AeadOpen(Cipher cipher, ByteSpan key, ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data,
              std::span<const uint8_t, kAeadTagSize> tag) {
  uint8_t computed[kAeadTagSize];
  if (!SizesFit(cipher, key, nonce) || !Aead(cipher, false, key, nonce, aad, data, computed)) {
    return false;
  }
  if (ConstantTimeEqual(computed, tag)) return true;
  Wipe(data);
  return false;
}

Digest16 AesGmac128(ByteSpan key, ByteSpan nonce, Pieces message) {
  Digest16 tag{};
  if (key.size() != AES128_KEY_SIZE || nonce.size() != GCM_IV_SIZE) return tag;
  gcm_aes128_ctx context;
  gcm_aes128_set_key(&context, key.data());
  gcm_aes128_set_iv(&context, nonce.size(), nonce.data());
  Feed(&context, gcm_aes128_update, message);
  gcm_aes128_digest(&context, tag.size(), tag.data());
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
  return tag;
}

SecretBytes Sp800108Kdf(ByteSpan key, ByteSpan label, ByteSpan context, size_t length) {
  if (length > 32) length = 32;
  const uint8_t counter[4] = {0, 0, 0, 1};
  const uint8_t separator[1] = {0};
  const uint32_t bits = static_cast<uint32_t>(length * 8);
  const uint8_t length_bits[4] = {static_cast<uint8_t>(bits >> 24), static_cast<uint8_t>(bits >> 16),
                                  static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)};
  Digest32 block = HmacSha256(key, {counter, label, separator, context, length_bits});
  SecretBytes derived(ByteSpan(block.data(), length));
  Wipe(block);
  return derived;
}

}  // namespace winreach::smb
