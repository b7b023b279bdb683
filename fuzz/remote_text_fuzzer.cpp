// Remote text as the report shows it: arbitrary bytes read as a UTF-16LE
// registry value and as an 8-bit NetBIOS name, then made printable and
// encoded for the terminal. Whatever came in, what goes out is valid UTF-8
// and holds no control, format, separator, private-use or surrogate
// character, and each character in stands for exactly one out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/format.h"
#include "platform/posix/system_posix.h"
#include "platform/posix/utf8.h"

namespace {

// Decodes strict UTF-8 (shortest forms, no surrogates, at most U+10FFFF);
// false on anything else.
bool DecodeStrict(std::string_view bytes, std::u32string* out) {
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 9;
    if (extra == 9 || lead > 0xF4 || i + extra >= bytes.size()) return false;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    out->push_back(c);
    i += extra + 1;
  }
  return true;
}

// The characters that must never reach the report, checked by their own
// list of the dangerous ones rather than by the shown text's table.
bool IsForbidden(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x00AD || c == 0x061C ||
         c == 0x180E || (c >= 0x200B && c <= 0x200F) || c == 0x2028 || c == 0x2029 ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) ||
         c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0xE000 && c <= 0xF8FF) ||
         c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F) || c >= 0xF0000;
}

void Check(const std::wstring& text) {
  const std::wstring shown = winreach::PrintableText(text);
  if (shown.size() != text.size()) __builtin_trap();  // one character for one
  std::u32string decoded;
  if (!DecodeStrict(winreach::EncodeUtf8(shown), &decoded)) __builtin_trap();
  for (char32_t c : decoded) {
    if (IsForbidden(c)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(winreach::WideFromUtf16Le(data, size));
  // Code points as they stand, beyond U+10FFFF too, as a wide string on
  // Linux can hold them.
  std::wstring wide;
  for (size_t i = 0; i + 4 <= size; i += 4) {
    wide.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8) | (data[i + 2] << 16) |
                                        (uint32_t{data[i + 3]} << 24)));
  }
  Check(wide);
  winreach::PosixSystem system;
  Check(system.FromNetbiosName(std::string_view(reinterpret_cast<const char*>(data), size)));
  return 0;
}
