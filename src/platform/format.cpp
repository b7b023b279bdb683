#include "platform/format.h"

#include <algorithm>
#include <iterator>

#include "platform/bytes.h"

namespace winreach {

namespace {

template <typename Char>
std::basic_string<Char> HexDigits(uint32_t value, size_t min_width, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  Char text[8];
  size_t n = 0;
  do {
    text[n++] = static_cast<Char>(digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  while (n < min_width) text[n++] = static_cast<Char>('0');
  return std::basic_string<Char>(std::rbegin(text) + (8 - n), std::rend(text));
}

template <typename Char>
std::basic_string<Char> DecimalDigits(uint64_t magnitude, bool negative) {
  Char text[21];
  size_t n = 0;
  do {
    text[n++] = static_cast<Char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) text[n++] = static_cast<Char>('-');
  return std::basic_string<Char>(std::rbegin(text) + (21 - n), std::rend(text));
}

}  // namespace

std::wstring Hex8(uint32_t value) { return HexDigits<wchar_t>(value, 8, true); }

std::wstring Decimal(int32_t value) {
  const bool negative = value < 0;
  const uint64_t magnitude =
      negative ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(value))
               : static_cast<uint64_t>(value);
  return DecimalDigits<wchar_t>(magnitude, negative);
}

std::wstring Unsigned(uint32_t value) { return DecimalDigits<wchar_t>(value, false); }

std::string HexLower8(uint32_t value) { return HexDigits<char>(value, 1, false); }

std::string HexByte8(uint8_t value) { return HexDigits<char>(value, 2, false); }

std::string Unsigned8(uint32_t value) { return DecimalDigits<char>(value, false); }

std::string Seconds8(int64_t ms) {
  if (ms < 0) ms = 0;
  std::string fraction = std::to_string(ms % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  return std::to_string(ms / 1000) + "." + fraction;
}

std::optional<std::string> ByteNameOf(std::wstring_view name) {
  if (name.size() > kMaxEightBitName) return std::nullopt;
  std::string bytes;
  for (wchar_t c : name) {
    const auto code = static_cast<uint32_t>(c);
    if (code > 0xFF || code == 0) return std::nullopt;
    bytes.push_back(static_cast<char>(code));
  }
  return bytes;
}

namespace {

struct CodePointRange {
  char32_t first;
  char32_t last;
};

// The format characters (category Cf) of Unicode 15, sorted. Written by
// tests/support/format_characters.py from Python's unicodedata, which
// knows Unicode 14; Unicode 15 added U+13439 to U+1343F.
constexpr CodePointRange kFormatCharacters[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

bool IsVisibleText(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;  // Cc
  if (c == 0x2028 || c == 0x2029) return false;             // Zl, Zp
  if (c >= 0xD800 && c <= 0xDFFF) return false;             // Cs
  if (c >= 0xE000 && c <= 0xF8FF) return false;             // Co
  // Planes 15 and 16 are private use (Co) up to their last two code
  // points, which are noncharacters; nothing lies beyond them.
  if (c >= 0xF0000) return false;
  const auto* end = std::end(kFormatCharacters);
  const auto* range = std::upper_bound(
      std::begin(kFormatCharacters), end, c,
      [](char32_t value, const CodePointRange& r) { return value < r.first; });
  return range == std::begin(kFormatCharacters) || c > (range - 1)->last;
}

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::wstring PrintableText(std::wstring_view text) {
  std::wstring shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto unit = static_cast<uint32_t>(text[i]);
    // Where wchar_t is UTF-16 (Windows), a surrogate pair is one character
    // and stays or goes whole.
    if (sizeof(wchar_t) == 2 && IsHighSurrogate(unit) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<uint32_t>(text[i + 1]))) {
      const char32_t c = 0x10000 + ((unit - 0xD800) << 10) +
                         (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
      if (IsVisibleText(c)) {
        shown.append(text.substr(i, 2));
      } else {
        shown.push_back(L'?');
      }
      ++i;
      continue;
    }
    shown.push_back(IsVisibleText(unit) ? text[i] : L'?');
  }
  return shown;
}

std::string PrintableBytes(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return shown;
}

std::u16string Utf16FromWide(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t c : text) {
    auto code = static_cast<uint32_t>(c);
    const bool surrogate = IsHighSurrogate(code) || IsLowSurrogate(code);
    if (code > 0x10FFFF || (sizeof(wchar_t) == 4 && surrogate)) {
      code = 0xFFFD;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
  }
  return units;
}

std::wstring WideFromUtf16(std::u16string_view units) {
  std::wstring text;
  text.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t unit = units[i];
    // Only where wchar_t holds any code point do surrogates change.
    constexpr bool kWide = sizeof(wchar_t) == 4;
    if (kWide && IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      const uint32_t low = units[++i];
      text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
    } else if (kWide && (IsHighSurrogate(unit) || IsLowSurrogate(unit))) {
      text.push_back(static_cast<wchar_t>(0xFFFD));
    } else {
      text.push_back(static_cast<wchar_t>(unit));
    }
  }
  return text;
}

std::wstring WideFromUtf16Le(const uint8_t* data, size_t size) {
  ByteReader bytes(data, size);
  std::u16string units;
  while (bytes.left() >= 2) {
    const auto unit = static_cast<char16_t>(bytes.U16Le());
    if (unit == 0) break;
    units.push_back(unit);
  }
  return WideFromUtf16(units);
}

}  // namespace winreach
