#include "smb/utf16.h"

namespace winreach::smb {

namespace {

char16_t ToUpper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: case pairs, upper case first in two runs and second
  // in the other two.
  const bool odd = (c & 1) == 1;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return odd ? static_cast<char16_t>(c - 1) : c;
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return odd ? c : static_cast<char16_t>(c - 1);
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

}  // namespace

SecretBytes Utf16Le(std::u16string_view text) {
  SecretBytes out(text.size() * 2);
  uint8_t* at = out.data();
  for (char16_t unit : text) {
    *at++ = static_cast<uint8_t>(unit);
    *at++ = static_cast<uint8_t>(unit >> 8);
  }
  return out;
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) unit = ToUpper(unit);
  return out;
}

}  // namespace winreach::smb
