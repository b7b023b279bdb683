#include "smb/der.h"

namespace winreach::smb {

bool ReadDer(ByteReader& reader, DerElement* out) {
  const uint8_t tag = reader.U8();
  const uint8_t first = reader.U8();
  if (!reader.ok() || (tag & 0x1f) == 0x1f) {
    reader.Fail();
    return false;
  }
  size_t length = first;
  if (first & 0x80) {
    // Long form: 1 to 4 bytes of length; 0x80 alone (indefinite) is BER.
    const size_t count = first & 0x7f;
    if (count == 0 || count > 4) {
      reader.Fail();
      return false;
    }
    length = 0;
    for (size_t i = 0; i < count; ++i) length = length << 8 | reader.U8();
  }
  const ByteSpan contents = reader.Bytes(length);
  if (!reader.ok()) return false;
  out->tag = tag;
  out->contents = contents;
  return true;
}

bool ReadDer(ByteReader& reader, uint8_t tag, ByteSpan* contents) {
  DerElement element;
  if (!ReadDer(reader, &element)) return false;
  if (element.tag != tag) {
    reader.Fail();
    return false;
  }
  *contents = element.contents;
  return true;
}

void AppendDer(Bytes& out, uint8_t tag, ByteSpan contents) {
  out.push_back(tag);
  const size_t length = contents.size();
  if (length < 0x80) {
    out.push_back(static_cast<uint8_t>(length));
  } else {
    uint8_t bytes[sizeof(size_t)];
    size_t count = 0;
    for (size_t rest = length; rest != 0; rest >>= 8) bytes[count++] = static_cast<uint8_t>(rest);
    out.push_back(static_cast<uint8_t>(0x80 | count));
    while (count != 0) out.push_back(bytes[--count]);
  }
  out.insert(out.end(), contents.begin(), contents.end());
}

Bytes Der(uint8_t tag, ByteSpan contents) {
  Bytes out;
  AppendDer(out, tag, contents);
  return out;
}

}  // namespace winreach::smb
