// The SMB2 TRANSFORM_HEADER (MS-SMB2 2.2.41) and the encryption of one
// message behind it (3.1.4.3), and its decryption (3.2.5.1.1). The header is
// 52 bytes: ProtocolId 0xFD 'S' 'M' 'B', the AEAD tag as Signature[16],
// Nonce[16] (the cipher uses its first 11 bytes for CCM, 12 for GCM),
// OriginalMessageSize, Reserved, Flags = 1 and SessionId; its bytes 20 to 51
// are the authenticated data, and the encrypted message follows it.
#pragma once

#include <cstdint>

#include "smb/crypto.h"

namespace winreach::smb {

inline constexpr size_t kTransformHeaderSize = 52;

// Why a frame did not decrypt.
enum class TransformError : uint32_t {
  kNone = 0,
  kTooShort,          // not even a header and one byte
  kWrongProtocolId,   // not 0xFD 'S' 'M' 'B'
  kWrongFlags,        // Flags/EncryptionAlgorithm is not 1
  kWrongSize,         // OriginalMessageSize is not what follows the header
  kUnusableKey,       // the caller's key or cipher does not fit
  kTagMismatch,       // tampered with, or not for this key
};

// Whether `frame` starts with the transform header's protocol id.
bool IsTransformMessage(ByteSpan frame);

// Writes to `out` the transform header and `message` encrypted with `key`
// under `cipher`. `nonce` must be unique for every message the key
// encrypts: either the cipher's 11 (CCM) or 12 (GCM) bytes, which are
// followed by zeros in the header, or the header's whole 16-byte field, of
// which the cipher uses the first 11 or 12. False, with `out` cleared, when
// the key or nonce does not fit the cipher or `message` is empty.
bool EncryptMessage(Cipher cipher, ByteSpan key, uint64_t session_id, ByteSpan nonce,
                    ByteSpan message, Bytes* out);

// Checks `frame`'s transform header, decrypts the message behind it with
// `key` under `cipher` and verifies its tag. On kNone `message` holds the
// message and `session_id` the header's SessionId (the caller checks it is
// the session whose key it used); otherwise `message` is cleared.
TransformError DecryptMessage(Cipher cipher, ByteSpan key, ByteSpan frame, uint64_t* session_id,
                              Bytes* message);

}  // namespace winreach::smb
