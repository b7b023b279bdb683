#include "smb/smb2_keys.h"

#include <algorithm>

namespace winreach::smb {

namespace {

// A label or context as it goes into the KDF: the string with its
// terminating NUL.
template <size_t N>
ByteSpan Text(const char (&text)[N]) {
  return ByteSpan(reinterpret_cast<const uint8_t*>(text), N);
}

constexpr size_t kSessionKeySize = 16;
constexpr size_t kPreauthHashSize = 64;

}  // namespace

SessionKeys DeriveSessionKeys(Dialect dialect, ByteSpan session_key, ByteSpan preauth_hash,
                              Cipher cipher) {
  SessionKeys keys;
  if (session_key.empty()) return keys;
  SecretBytes key(kSessionKeySize);
  std::copy_n(session_key.begin(), std::min(session_key.size(), kSessionKeySize), key.data());

  switch (dialect) {
    case Dialect::k202:
    case Dialect::k210:
      keys.signing = std::move(key);
      break;
    case Dialect::k300:
    case Dialect::k302:
      keys.signing = Sp800108Kdf(key.span(), Text("SMB2AESCMAC"), Text("SmbSign"), 16);
      keys.encryption = Sp800108Kdf(key.span(), Text("SMB2AESCCM"), Text("ServerIn "), 16);
      keys.decryption = Sp800108Kdf(key.span(), Text("SMB2AESCCM"), Text("ServerOut"), 16);
      keys.application = Sp800108Kdf(key.span(), Text("SMB2APP"), Text("SmbRpc"), 16);
      break;
    case Dialect::k311: {
      if (preauth_hash.size() != kPreauthHashSize) break;
      const size_t cipher_key_size = CipherKeySize(cipher);
      // The AES-256 ciphers take their keys from the whole session key (32
      // bytes for a Kerberos AES-256 ticket); everything else from the cut.
      const ByteSpan cipher_base = cipher_key_size > kSessionKeySize ? session_key : key.span();
      keys.signing = Sp800108Kdf(key.span(), Text("SMBSigningKey"), preauth_hash, 16);
      keys.encryption =
          Sp800108Kdf(cipher_base, Text("SMBC2SCipherKey"), preauth_hash, cipher_key_size);
      keys.decryption =
          Sp800108Kdf(cipher_base, Text("SMBS2CCipherKey"), preauth_hash, cipher_key_size);
      keys.application = Sp800108Kdf(key.span(), Text("SMBAppKey"), preauth_hash, 16);
      break;
    }
  }
  return keys;
}

}  // namespace winreach::smb
