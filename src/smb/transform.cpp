#include "smb/transform.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/bytes.h"

namespace winreach::smb {

namespace {

constexpr std::array<uint8_t, 4> kProtocolId = {0xFD, 'S', 'M', 'B'};
constexpr size_t kSignatureOffset = 4;
constexpr size_t kNonceOffset = 20;
constexpr size_t kNonceFieldSize = 16;
constexpr uint16_t kEncrypted = 0x0001;

bool KeyFits(Cipher cipher, ByteSpan key) {
  switch (cipher) {
    case Cipher::kAes128Ccm:
    case Cipher::kAes128Gcm:
    case Cipher::kAes256Ccm:
    case Cipher::kAes256Gcm:
      return key.size() == CipherKeySize(cipher);
  }
  return false;
}

}  // namespace

bool IsTransformMessage(ByteSpan frame) {
  return frame.size() >= kProtocolId.size() &&
         std::equal(kProtocolId.begin(), kProtocolId.end(), frame.begin());
}

bool EncryptMessage(Cipher cipher, ByteSpan key, uint64_t session_id, ByteSpan nonce,
                    ByteSpan message, Bytes* out) {
  out->clear();
  const size_t nonce_size = CipherNonceSize(cipher);
  if (!KeyFits(cipher, key) || (nonce.size() != nonce_size && nonce.size() != kNonceFieldSize) ||
      message.empty() || message.size() > std::numeric_limits<uint32_t>::max()) {
    return false;
  }
  std::array<uint8_t, kNonceFieldSize> nonce_field{};
  std::copy(nonce.begin(), nonce.end(), nonce_field.begin());

  out->reserve(kTransformHeaderSize + message.size());
  ByteWriter header = ByteWriter::AppendTo(*out);
  header.Bytes(kProtocolId);
  header.Bytes(std::array<uint8_t, kAeadTagSize>{});  // the tag, once known
  header.Bytes(nonce_field);
  header.U32Le(static_cast<uint32_t>(message.size()));
  header.U16Le(0);
  header.U16Le(kEncrypted);
  header.U32Le(static_cast<uint32_t>(session_id));
  header.U32Le(static_cast<uint32_t>(session_id >> 32));
  out->insert(out->end(), message.begin(), message.end());

  const std::span<uint8_t> all(*out);
  if (!AeadSeal(cipher, key, ByteSpan(nonce_field).first(nonce_size),
                all.subspan(kNonceOffset, kTransformHeaderSize - kNonceOffset),
                all.subspan(kTransformHeaderSize),
                all.subspan(kSignatureOffset).first<kAeadTagSize>())) {
    Wipe(all);
    out->clear();
    return false;
  }
  return true;
}

TransformError DecryptMessage(Cipher cipher, ByteSpan key, ByteSpan frame, uint64_t* session_id,
                              Bytes* message) {
  message->clear();
  ByteReader in(frame);
  const ByteSpan protocol_id = in.Bytes(kProtocolId.size());
  std::array<uint8_t, kAeadTagSize> tag{};
  in.CopyTo(tag.data(), tag.size());
  in.Skip(kNonceFieldSize);
  const uint32_t original_size = in.U32Le();
  in.U16Le();  // Reserved
  const uint16_t flags = in.U16Le();
  const uint64_t low = in.U32Le();
  const uint64_t id = low | uint64_t{in.U32Le()} << 32;
  if (!in.ok() || in.left() == 0) {
    return IsTransformMessage(frame) || frame.size() < kProtocolId.size()
               ? TransformError::kTooShort
               : TransformError::kWrongProtocolId;
  }
  if (!std::equal(kProtocolId.begin(), kProtocolId.end(), protocol_id.begin())) {
    return TransformError::kWrongProtocolId;
  }
  if (flags != kEncrypted) return TransformError::kWrongFlags;
  if (original_size != in.left()) return TransformError::kWrongSize;
  if (!KeyFits(cipher, key)) return TransformError::kUnusableKey;

  const ByteSpan aad = frame.subspan(kNonceOffset, kTransformHeaderSize - kNonceOffset);
  const ByteSpan nonce = frame.subspan(kNonceOffset, CipherNonceSize(cipher));
  const ByteSpan ciphertext = in.Bytes(original_size);
  message->assign(ciphertext.begin(), ciphertext.end());
  if (!AeadOpen(cipher, key, nonce, aad, *message, tag)) {
    message->clear();
    return TransformError::kTagMismatch;
  }
  *session_id = id;
  return TransformError::kNone;
}

}  // namespace winreach::smb
