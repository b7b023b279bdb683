// The keys an SMB2/3 session signs and encrypts with, derived from the
// logon's session key (MS-SMB2 3.1.4.2; labels and contexts in 3.2.5.3.1).
#pragma once

#include <cstdint>

#include "smb/crypto.h"

namespace winreach::smb {

enum class Dialect : uint16_t {
  k202 = 0x0202,
  k210 = 0x0210,
  k300 = 0x0300,
  k302 = 0x0302,
  k311 = 0x0311,
};

struct SessionKeys {
  SecretBytes signing;
  SecretBytes encryption;  // client to server
  SecretBytes decryption;  // server to client
  SecretBytes application;
};

// The session's keys for `dialect`. The session key is taken as its first 16
// bytes, right-padded with zeros when shorter (a Kerberos AES-256 key is cut
// to 16), except for the AES-256 cipher keys of 3.1.1, which are derived
// from the whole key. 2.0.2 and 2.1 sign with that key and have no others; 3.0 and 3.0.2
// derive all four with fixed labels (their cipher is always AES-128-CCM, so
// `cipher` is not used); 3.1.1 derives them from `preauth_hash`, the
// session's 64-byte preauthentication hash, and makes the encryption and
// decryption keys 32 bytes long when `cipher` is AES-256-CCM or -GCM.
//
// All four are empty when there is no session key (anonymous and guest
// logons have none and must not sign: a zero key would be refused), when a
// 3.1.1 preauthentication hash is not 64 bytes, or for an unknown dialect.
SessionKeys DeriveSessionKeys(Dialect dialect, ByteSpan session_key, ByteSpan preauth_hash,
                              Cipher cipher);

}  // namespace winreach::smb
