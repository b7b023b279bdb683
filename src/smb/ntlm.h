// NTLMSSP: the three messages of an NTLM logon (NEGOTIATE, CHALLENGE,
// AUTHENTICATE), the NTLMv2 response and its keys, and the message
// signature that SPNEGO's mechListMIC is made of. Pure functions over bytes:
// the random session key and the time come from the caller.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "smb/crypto.h"

namespace winreach::smb {

// Negotiate flags (the ones a client asks for or must understand).
inline constexpr uint32_t kNtlmNegotiateUnicode = 0x00000001;
inline constexpr uint32_t kNtlmRequestTarget = 0x00000004;
inline constexpr uint32_t kNtlmNegotiateSign = 0x00000010;
inline constexpr uint32_t kNtlmNegotiateSeal = 0x00000020;
inline constexpr uint32_t kNtlmNegotiateNtlm = 0x00000200;
inline constexpr uint32_t kNtlmNegotiateAnonymous = 0x00000800;
inline constexpr uint32_t kNtlmNegotiateAlwaysSign = 0x00008000;
inline constexpr uint32_t kNtlmNegotiateExtendedSessionSecurity = 0x00080000;
inline constexpr uint32_t kNtlmNegotiateTargetInfo = 0x00800000;
inline constexpr uint32_t kNtlmNegotiateVersion = 0x02000000;
inline constexpr uint32_t kNtlmNegotiate128 = 0x20000000;
inline constexpr uint32_t kNtlmNegotiateKeyExchange = 0x40000000;
inline constexpr uint32_t kNtlmNegotiate56 = 0x80000000;

// What this client asks for in every NEGOTIATE (plus ANONYMOUS when it
// logs on without an account).
inline constexpr uint32_t kNtlmClientFlags =
    kNtlmNegotiateUnicode | kNtlmRequestTarget | kNtlmNegotiateSign | kNtlmNegotiateSeal |
    kNtlmNegotiateNtlm | kNtlmNegotiateAlwaysSign | kNtlmNegotiateExtendedSessionSecurity |
    kNtlmNegotiateTargetInfo | kNtlmNegotiateVersion | kNtlmNegotiate128 |
    kNtlmNegotiateKeyExchange | kNtlmNegotiate56;

// AV pair ids in a target info.
inline constexpr uint16_t kMsvAvEol = 0;
inline constexpr uint16_t kMsvAvNbDomainName = 2;
inline constexpr uint16_t kMsvAvFlags = 6;
inline constexpr uint16_t kMsvAvTimestamp = 7;
inline constexpr uint16_t kMsvAvTargetName = 9;
// MsvAvFlags bit: the AUTHENTICATE message carries a MIC.
inline constexpr uint32_t kMsvAvFlagMicPresent = 0x2;

// Where the MIC sits in our AUTHENTICATE message.
inline constexpr size_t kNtlmMicOffset = 72;

struct NtlmChallenge {
  uint32_t flags = 0;
  std::array<uint8_t, 8> server_challenge{};
  Bytes target_name;  // as sent (UTF-16LE under UNICODE)
  Bytes target_info;  // the AV pairs as sent, up to and including MsvAvEOL
  std::u16string netbios_domain;
  std::optional<uint64_t> timestamp;  // MsvAvTimestamp, a FILETIME
};

// The NEGOTIATE message: our flags, no domain or workstation, our version.
Bytes NtlmNegotiateMessage(bool anonymous);

// Reads a CHALLENGE message. False when it is not one, or when a length,
// an offset or an AV pair does not fit in it, or the pairs lack MsvAvEOL.
bool ParseNtlmChallenge(ByteSpan message, NtlmChallenge* out);

// MD4 of the password in UTF-16LE: the account's NT hash.
SecretBytes NtHash(ByteSpan utf16le_password);
// NTOWFv2: HMAC-MD5 keyed with the NT hash over upper(user) || domain, both
// in UTF-16LE.
SecretBytes NtowfV2(ByteSpan nt_hash, std::u16string_view user, std::u16string_view domain);

struct NtlmV2Response {
  Bytes nt_response;  // NTProofStr || the client blob
  Bytes lm_response;  // LMv2: HMAC-MD5(key, server || client challenge) || client challenge
  SecretBytes session_base_key;
};

// The NTLMv2 responses to `server_challenge` for the blob made of `time`,
// `client_challenge` (8 bytes) and `target_info` (AV pairs ending in EOL).
NtlmV2Response ComputeNtlmV2Response(ByteSpan response_key, ByteSpan server_challenge,
                                     ByteSpan client_challenge, uint64_t time,
                                     ByteSpan target_info);

// The AV pairs the client puts in its blob: the server's (without EOL),
// MsvAvFlags with the MIC bit when `with_mic` (or-ed into the server's own
// MsvAvFlags if it sent one), MsvAvTargetName when `target_name` is not
// empty (UTF-16LE), then EOL. `server_pairs` must have passed
// ParseNtlmChallenge.
Bytes ClientTargetInfo(ByteSpan server_pairs, bool with_mic, ByteSpan target_name);

struct NtlmAuthenticateFields {
  uint32_t flags = 0;
  ByteSpan lm_response;
  ByteSpan nt_response;
  ByteSpan domain;       // UTF-16LE
  ByteSpan user;         // UTF-16LE
  ByteSpan workstation;  // UTF-16LE
  ByteSpan encrypted_session_key;
};

// The AUTHENTICATE message with our version and a zero MIC at
// kNtlmMicOffset, for the caller to fill in; empty when a field is longer
// than its 16-bit length can say.
Bytes NtlmAuthenticateMessage(const NtlmAuthenticateFields& fields);

// HMAC-MD5 keyed with the exported session key over the three messages,
// the AUTHENTICATE one with its MIC still zero.
Digest16 NtlmMic(ByteSpan exported_session_key, ByteSpan negotiate, ByteSpan challenge,
                 ByteSpan authenticate);

// Signing and sealing keys of one direction, from the exported session key
// under the negotiated flags (extended session security).
SecretBytes NtlmSigningKey(ByteSpan exported_session_key, bool client_to_server);
SecretBytes NtlmSealingKey(ByteSpan exported_session_key, uint32_t flags, bool client_to_server);

inline constexpr size_t kNtlmSignatureSize = 16;
using NtlmSignature = std::array<uint8_t, kNtlmSignatureSize>;

// One direction of an established NTLM context: its signing key, its RC4
// sealing handle (whose stream runs on across messages) and sequence
// number. Sign() is the message signature with extended session security.
class NtlmSealingContext {
 public:
  NtlmSealingContext(ByteSpan exported_session_key, uint32_t flags, bool client_to_server);

  // The signature of `message` under the current sequence number, which
  // then advances.
  NtlmSignature Sign(ByteSpan message);
  // Encrypts `data` in place with the sealing handle (before Sign, as a
  // sealed message is made).
  void Seal(std::span<uint8_t> data) { rc4_.Crypt(data); }

 private:
  SecretBytes signing_key_;
  Rc4 rc4_;
  bool key_exchange_;
  uint32_t sequence_ = 0;
};

}  // namespace winreach::smb
