// Signing and verifying one SMB2 message (MS-SMB2 3.1.4.1, 3.1.5.1): the
// 16-byte Signature in the 64-byte header, computed over the whole message
// (any padding of a compounded message included) with the Signature zeroed.
#pragma once

#include <cstdint>
#include <span>

#include "smb/crypto.h"

namespace winreach::smb {

// By their numbers in the 3.1.1 signing capabilities. 2.0.2 and 2.1 sign
// with HMAC-SHA256; 3.x with AES-CMAC unless 3.1.1 negotiated another.
enum class SigningAlgorithm : uint16_t {
  kHmacSha256 = 0,
  kAesCmac = 1,
  kAesGmac = 2,
};

inline constexpr size_t kSmb2HeaderSize = 64;

// Sets SMB2_FLAGS_SIGNED in the header and writes the signature: HMAC-SHA256
// cut to 16 bytes, AES-128-CMAC, or AES-128-GMAC whose nonce is the
// MessageId followed by 4 bytes with bit 0 set for a server's message
// (SMB2_FLAGS_SERVER_TO_REDIR) and bit 1 for CANCEL. False, and `message`
// left as it was, when it is shorter than the header, the key is empty, or
// a CMAC or GMAC key is not 16 bytes.
bool SignMessage(SigningAlgorithm algorithm, ByteSpan key, std::span<uint8_t> message);

// Whether the signature in `message`'s header is the one `key` gives, compared
// in constant time. False for a message shorter than the header and for a key
// SignMessage would refuse.
bool VerifyMessage(SigningAlgorithm algorithm, ByteSpan key, ByteSpan message);

}  // namespace winreach::smb
