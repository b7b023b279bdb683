// The little of ASN.1 DER that SPNEGO needs: one-byte tags and definite
// lengths, read through ByteReader so that every element must fit in what
// holds it, and written back the same way.
#pragma once

#include <cstdint>

#include "platform/bytes.h"
#include "smb/crypto.h"

namespace winreach::smb {

inline constexpr uint8_t kDerInteger = 0x02;
inline constexpr uint8_t kDerBitString = 0x03;
inline constexpr uint8_t kDerOctetString = 0x04;
inline constexpr uint8_t kDerOid = 0x06;
inline constexpr uint8_t kDerEnumerated = 0x0a;
inline constexpr uint8_t kDerSequence = 0x30;
inline constexpr uint8_t kDerApplication0 = 0x60;
// [n] constructed, context-specific.
constexpr uint8_t DerContext(uint8_t n) { return static_cast<uint8_t>(0xa0 | n); }

struct DerElement {
  uint8_t tag = 0;
  ByteSpan contents;  // within the bytes the reader reads
};

// Reads the next element. False (and the reader failed) on a multi-byte
// tag, an indefinite or oversized length, or contents longer than what is
// left.
bool ReadDer(ByteReader& reader, DerElement* out);

// Reads the next element and checks that it has `tag`.
bool ReadDer(ByteReader& reader, uint8_t tag, ByteSpan* contents);

// Appends one element: tag, the shortest length, contents.
void AppendDer(Bytes& out, uint8_t tag, ByteSpan contents);

// One element as a new buffer.
Bytes Der(uint8_t tag, ByteSpan contents);

}  // namespace winreach::smb
