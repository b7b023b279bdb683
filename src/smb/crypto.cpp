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
  return digest;
}

Digest16 Md5(Pieces message) {
  md5_ctx context;
  md5_init(&context);
  Feed(&context, md5_update, message);
  Digest16 digest;
  md5_digest(&context, digest.size(), digest.data());
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

bool Known(Cipher cipher) {
  switch (cipher) {
    case Cipher::kAes128Ccm:
    case Cipher::kAes128Gcm:
    case Cipher::kAes256Ccm:
    case Cipher::kAes256Gcm:
      return true;
  }
  return false;
}

// GCM in one pass over a message: `encrypt` chooses the direction; the tag
// is written to `tag`.
template <typename Context, typename SetKey, typename SetIv, typename Update, typename Crypt,
          typename Digest>
void Gcm(SetKey set_key, SetIv set_iv, Update update, Crypt crypt, Digest digest, ByteSpan key,
         ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data, uint8_t* tag) {
  Context context;
  set_key(&context, key.data());
  set_iv(&context, nonce.size(), nonce.data());
  update(&context, aad.size(), aad.data());
  crypt(&context, data.size(), data.data(), data.data());
  digest(&context, kAeadTagSize, tag);
  Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
}

void GcmCrypt(Cipher cipher, bool encrypt, ByteSpan key, ByteSpan nonce, ByteSpan aad,
              std::span<uint8_t> data, uint8_t* tag) {
  if (cipher == Cipher::kAes128Gcm) {
    Gcm<gcm_aes128_ctx>(gcm_aes128_set_key, gcm_aes128_set_iv, gcm_aes128_update,
                        encrypt ? gcm_aes128_encrypt : gcm_aes128_decrypt, gcm_aes128_digest, key,
                        nonce, aad, data, tag);
  } else {
    Gcm<gcm_aes256_ctx>(gcm_aes256_set_key, gcm_aes256_set_iv, gcm_aes256_update,
                        encrypt ? gcm_aes256_encrypt : gcm_aes256_decrypt, gcm_aes256_digest, key,
                        nonce, aad, data, tag);
  }
}

bool SizesFit(Cipher cipher, ByteSpan key, ByteSpan nonce) {
  return Known(cipher) && key.size() == CipherKeySize(cipher) &&
         nonce.size() == CipherNonceSize(cipher);
}

}  // namespace

bool AeadSeal(Cipher cipher, ByteSpan key, ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data,
              std::span<uint8_t, kAeadTagSize> tag) {
  if (!SizesFit(cipher, key, nonce)) return false;
  switch (cipher) {
    case Cipher::kAes128Ccm: {
      ccm_aes128_ctx context;
      ccm_aes128_set_key(&context, key.data());
      ccm_aes128_set_nonce(&context, nonce.size(), nonce.data(), aad.size(), data.size(),
                           kAeadTagSize);
      ccm_aes128_update(&context, aad.size(), aad.data());
      ccm_aes128_encrypt(&context, data.size(), data.data(), data.data());
      ccm_aes128_digest(&context, kAeadTagSize, tag.data());
      Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
      return true;
    }
    case Cipher::kAes256Ccm: {
      ccm_aes256_ctx context;
      ccm_aes256_set_key(&context, key.data());
      ccm_aes256_set_nonce(&context, nonce.size(), nonce.data(), aad.size(), data.size(),
                           kAeadTagSize);
      ccm_aes256_update(&context, aad.size(), aad.data());
      ccm_aes256_encrypt(&context, data.size(), data.data(), data.data());
      ccm_aes256_digest(&context, kAeadTagSize, tag.data());
      Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
      return true;
    }
    case Cipher::kAes128Gcm:
    case Cipher::kAes256Gcm:
      GcmCrypt(cipher, true, key, nonce, aad, data, tag.data());
      return true;
  }
  return false;
}

bool AeadOpen(Cipher cipher, ByteSpan key, ByteSpan nonce, ByteSpan aad, std::span<uint8_t> data,
              std::span<const uint8_t, kAeadTagSize> tag) {
  if (!SizesFit(cipher, key, nonce)) return false;
  uint8_t computed[kAeadTagSize];
  switch (cipher) {
    case Cipher::kAes128Ccm: {
      ccm_aes128_ctx context;
      ccm_aes128_set_key(&context, key.data());
      ccm_aes128_set_nonce(&context, nonce.size(), nonce.data(), aad.size(), data.size(),
                           kAeadTagSize);
      ccm_aes128_update(&context, aad.size(), aad.data());
      ccm_aes128_decrypt(&context, data.size(), data.data(), data.data());
      ccm_aes128_digest(&context, kAeadTagSize, computed);
      Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
      break;
    }
    case Cipher::kAes256Ccm: {
      ccm_aes256_ctx context;
      ccm_aes256_set_key(&context, key.data());
      ccm_aes256_set_nonce(&context, nonce.size(), nonce.data(), aad.size(), data.size(),
                           kAeadTagSize);
      ccm_aes256_update(&context, aad.size(), aad.data());
      ccm_aes256_decrypt(&context, data.size(), data.data(), data.data());
      ccm_aes256_digest(&context, kAeadTagSize, computed);
      Wipe({reinterpret_cast<uint8_t*>(&context), sizeof context});
      break;
    }
    case Cipher::kAes128Gcm:
    case Cipher::kAes256Gcm:
      GcmCrypt(cipher, false, key, nonce, aad, data, computed);
      break;
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
