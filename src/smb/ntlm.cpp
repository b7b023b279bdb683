#include "smb/ntlm.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "smb/utf16.h"

namespace winreach::smb {

namespace {

constexpr uint8_t kSignature[8] = {'N', 'T', 'L', 'M', 'S', 'S', 'P', 0};
constexpr uint32_t kNegotiateType = 1;
constexpr uint32_t kChallengeType = 2;
constexpr uint32_t kAuthenticateType = 3;

// Windows 10 (10.0.19041), NTLM revision 15: what a current client says.
constexpr uint8_t kVersion[8] = {10, 0, 0x61, 0x4a, 0, 0, 0, 15};

constexpr size_t kChallengeHeaderSize = 48;
constexpr size_t kAuthenticateHeaderSize = kNtlmMicOffset + 16;

// The constants the directional keys are hashed with, their NUL included.
constexpr char kClientSigningMagic[] = "session key to client-to-server signing key magic constant";
constexpr char kServerSigningMagic[] = "session key to server-to-client signing key magic constant";
constexpr char kClientSealingMagic[] = "session key to client-to-server sealing key magic constant";
constexpr char kServerSealingMagic[] = "session key to server-to-client sealing key magic constant";

ByteSpan Magic(const char* text, size_t size_with_nul) {
  return {reinterpret_cast<const uint8_t*>(text), size_with_nul};
}

// A payload field (length, allocated length, offset) of a message: its
// bytes, or false when they do not lie within the message after the fixed
// header.
bool ReadField(ByteReader& reader, ByteSpan message, size_t header_size, ByteSpan* out) {
  const uint16_t length = reader.U16Le();
  reader.U16Le();  // allocated length: not needed to read
  const uint32_t offset = reader.U32Le();
  if (!reader.ok()) return false;
  if (length == 0) {
    *out = {};
    return true;
  }
  if (offset < header_size || offset > message.size() || message.size() - offset < length) {
    return false;
  }
  *out = message.subspan(offset, length);
  return true;
}

void WriteField(ByteWriter& header, ByteSpan value, size_t* payload_offset) {
  header.U16Le(static_cast<uint16_t>(value.size()));
  header.U16Le(static_cast<uint16_t>(value.size()));
  header.U32Le(static_cast<uint32_t>(*payload_offset));
  *payload_offset += value.size();
}

uint64_t ReadU64Le(ByteReader& reader) {
  const uint64_t low = reader.U32Le();
  const uint64_t high = reader.U32Le();
  return high << 32 | low;
}

void WriteU64Le(ByteWriter& writer, uint64_t value) {
  writer.U32Le(static_cast<uint32_t>(value));
  writer.U32Le(static_cast<uint32_t>(value >> 32));
}

}  // namespace

Bytes NtlmNegotiateMessage(bool anonymous) {
  Bytes message;
  ByteWriter writer = ByteWriter::AppendTo(message);
  writer.Bytes(kSignature);
  writer.U32Le(kNegotiateType);
  writer.U32Le(kNtlmClientFlags | (anonymous ? kNtlmNegotiateAnonymous : 0));
  // Empty domain and workstation fields: their offsets point at the end.
  for (int field = 0; field < 2; ++field) {
    writer.U16Le(0);
    writer.U16Le(0);
    writer.U32Le(40);
  }
  writer.Bytes(kVersion);
  return message;
}

bool ParseNtlmChallenge(ByteSpan message, NtlmChallenge* out) {
  ByteReader reader(message);
  const ByteSpan signature = reader.Bytes(sizeof kSignature);
  if (!reader.ok() || std::memcmp(signature.data(), kSignature, sizeof kSignature) != 0) {
    return false;
  }
  if (reader.U32Le() != kChallengeType) return false;
  // The oldest servers end the message before the target info fields; the
  // payload then starts after the first 32 bytes.
  const size_t header_size = message.size() >= kChallengeHeaderSize ? kChallengeHeaderSize : 32;
  ByteSpan target_name;
  if (!ReadField(reader, message, header_size, &target_name)) return false;
  NtlmChallenge challenge;
  challenge.flags = reader.U32Le();
  reader.CopyTo(challenge.server_challenge.data(), challenge.server_challenge.size());
  if (!reader.ok()) return false;
  challenge.target_name.assign(target_name.begin(), target_name.end());
  if (header_size < kChallengeHeaderSize) {
    *out = std::move(challenge);
    return true;
  }
  reader.Skip(8);  // reserved
  ByteSpan target_info;
  if (!ReadField(reader, message, header_size, &target_info)) return false;
  if (target_info.empty()) {
    *out = std::move(challenge);
    return true;
  }

  ByteReader pairs(target_info);
  for (;;) {
    const uint16_t id = pairs.U16Le();
    const uint16_t length = pairs.U16Le();
    const ByteSpan value = pairs.Bytes(length);
    if (!pairs.ok()) return false;
    if (id == kMsvAvEol) {
      if (length != 0) return false;
      break;
    }
    if (id == kMsvAvNbDomainName) {
      if (length % 2 != 0) return false;
      challenge.netbios_domain.clear();
      for (size_t i = 0; i < value.size(); i += 2) {
        challenge.netbios_domain.push_back(static_cast<char16_t>(value[i] | value[i + 1] << 8));
      }
    } else if (id == kMsvAvTimestamp) {
      if (length != 8) return false;
      ByteReader time(value);
      challenge.timestamp = ReadU64Le(time);
    }
  }
  challenge.target_info.assign(target_info.begin(), target_info.begin() + pairs.offset());
  *out = std::move(challenge);
  return true;
}

SecretBytes NtHash(ByteSpan utf16le_password) {
  Digest16 digest = Md4({utf16le_password});
  SecretBytes hash(digest);
  Wipe(digest);
  return hash;
}

SecretBytes NtowfV2(ByteSpan nt_hash, std::u16string_view user, std::u16string_view domain) {
  const SecretBytes upper_user = Utf16Le(UpperCase(user));
  const SecretBytes domain_units = Utf16Le(domain);
  Digest16 digest = HmacMd5(nt_hash, {upper_user.span(), domain_units.span()});
  SecretBytes key(digest);
  Wipe(digest);
  return key;
}

NtlmV2Response ComputeNtlmV2Response(ByteSpan response_key, ByteSpan server_challenge,
                                     ByteSpan client_challenge, uint64_t time,
                                     ByteSpan target_info) {
  // The client blob: versions 1 and 1, six zero bytes, the time, the
  // client challenge, four zero bytes, the AV pairs, four zero bytes.
  Bytes blob;
  ByteWriter writer = ByteWriter::AppendTo(blob);
  writer.U8(1);
  writer.U8(1);
  writer.Bytes(std::array<uint8_t, 6>{});
  WriteU64Le(writer, time);
  writer.Bytes(client_challenge);
  writer.U32Le(0);
  writer.Bytes(target_info);
  writer.U32Le(0);

  NtlmV2Response response;
  const Digest16 proof = HmacMd5(response_key, {server_challenge, blob});
  response.nt_response.assign(proof.begin(), proof.end());
  response.nt_response.insert(response.nt_response.end(), blob.begin(), blob.end());
  const Digest16 lm = HmacMd5(response_key, {server_challenge, client_challenge});
  response.lm_response.assign(lm.begin(), lm.end());
  response.lm_response.insert(response.lm_response.end(), client_challenge.begin(),
                              client_challenge.end());
  Digest16 base = HmacMd5(response_key, {proof});
  response.session_base_key = SecretBytes(base);
  Wipe(base);
  return response;
}

Bytes ClientTargetInfo(ByteSpan server_pairs, bool with_mic, ByteSpan target_name) {
  Bytes out;
  ByteWriter writer = ByteWriter::AppendTo(out);
  bool flags_written = false;
  ByteReader pairs(server_pairs);
  while (pairs.left() >= 4) {
    const uint16_t id = pairs.U16Le();
    const uint16_t length = pairs.U16Le();
    const ByteSpan value = pairs.Bytes(length);
    if (!pairs.ok() || id == kMsvAvEol) break;
    if (id == kMsvAvTargetName && !target_name.empty()) continue;  // ours replaces it
    if (id == kMsvAvFlags && length != 4) continue;  // malformed: ours stands instead
    writer.U16Le(id);
    writer.U16Le(length);
    if (id == kMsvAvFlags && length == 4) {
      ByteReader flags(value);
      writer.U32Le(flags.U32Le() | (with_mic ? kMsvAvFlagMicPresent : 0));
      flags_written = true;
    } else {
      writer.Bytes(value);
    }
  }
  if (with_mic && !flags_written) {
    writer.U16Le(kMsvAvFlags);
    writer.U16Le(4);
    writer.U32Le(kMsvAvFlagMicPresent);
  }
  if (!target_name.empty() && target_name.size() <= 0xffff) {
    writer.U16Le(kMsvAvTargetName);
    writer.U16Le(static_cast<uint16_t>(target_name.size()));
    writer.Bytes(target_name);
  }
  writer.U16Le(kMsvAvEol);
  writer.U16Le(0);
  return out;
}

Bytes NtlmAuthenticateMessage(const NtlmAuthenticateFields& fields) {
  Bytes message;
  ByteWriter writer = ByteWriter::AppendTo(message);
  writer.Bytes(kSignature);
  writer.U32Le(kAuthenticateType);
  size_t payload = kAuthenticateHeaderSize;
  const ByteSpan payloads[] = {fields.lm_response, fields.nt_response,        fields.domain,
                               fields.user,        fields.workstation,        fields.encrypted_session_key};
  for (ByteSpan value : payloads) {
    if (value.size() > 0xffff) return {};
    WriteField(writer, value, &payload);
  }
  writer.U32Le(fields.flags);
  writer.Bytes(kVersion);
  writer.Bytes(std::array<uint8_t, 16>{});  // the MIC, filled in later
  for (ByteSpan value : payloads) writer.Bytes(value);
  return message;
}

Digest16 NtlmMic(ByteSpan exported_session_key, ByteSpan negotiate, ByteSpan challenge,
                 ByteSpan authenticate) {
  return HmacMd5(exported_session_key, {negotiate, challenge, authenticate});
}

SecretBytes NtlmSigningKey(ByteSpan exported_session_key, bool client_to_server) {
  const ByteSpan magic = client_to_server ? Magic(kClientSigningMagic, sizeof kClientSigningMagic)
                                          : Magic(kServerSigningMagic, sizeof kServerSigningMagic);
  Digest16 digest = Md5({exported_session_key, magic});
  SecretBytes key(digest);
  Wipe(digest);
  return key;
}

SecretBytes NtlmSealingKey(ByteSpan exported_session_key, uint32_t flags, bool client_to_server) {
  // Weaker negotiations seal with a cut key: 7 bytes under 56-bit, 5 else.
  size_t size = 5;
  if (flags & kNtlmNegotiate128) {
    size = 16;
  } else if (flags & kNtlmNegotiate56) {
    size = 7;
  }
  const ByteSpan magic = client_to_server ? Magic(kClientSealingMagic, sizeof kClientSealingMagic)
                                          : Magic(kServerSealingMagic, sizeof kServerSealingMagic);
  Digest16 digest = Md5({exported_session_key.first(std::min(size, exported_session_key.size())), magic});
  SecretBytes key(digest);
  Wipe(digest);
  return key;
}

NtlmSealingContext::NtlmSealingContext(ByteSpan exported_session_key, uint32_t flags,
                                       bool client_to_server)
    : signing_key_(NtlmSigningKey(exported_session_key, client_to_server)),
      rc4_(NtlmSealingKey(exported_session_key, flags, client_to_server).span()),
      key_exchange_((flags & kNtlmNegotiateKeyExchange) != 0) {}

NtlmSignature NtlmSealingContext::Sign(ByteSpan message) {
  const uint8_t sequence[4] = {static_cast<uint8_t>(sequence_), static_cast<uint8_t>(sequence_ >> 8),
                               static_cast<uint8_t>(sequence_ >> 16),
                               static_cast<uint8_t>(sequence_ >> 24)};
  const Digest16 digest = HmacMd5(signing_key_.span(), {sequence, message});
  NtlmSignature signature{};
  signature[0] = 1;  // version
  std::memcpy(signature.data() + 4, digest.data(), 8);
  if (key_exchange_) rc4_.Crypt(std::span<uint8_t>(signature.data() + 4, 8));
  std::memcpy(signature.data() + 12, sequence, 4);
  ++sequence_;
  return signature;
}

}  // namespace winreach::smb
