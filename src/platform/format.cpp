#include "platform/format.h"

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

std::wstring PrintableText(std::wstring_view text) {
  std::wstring shown(text);
  for (wchar_t& c : shown) {
    const auto code = static_cast<uint32_t>(c);
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) c = L'?';
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

}  // namespace winreach

namespace winreach {

std::wstring WideFromUtf16Le(const uint8_t* data, size_t size) {
  std::wstring text;
  const size_t units = size / 2;
  for (size_t i = 0; i < units; ++i) {
    const uint32_t unit = data[2 * i] | (uint32_t{data[2 * i + 1]} << 8);
    if (unit == 0) break;
    if constexpr (sizeof(wchar_t) == 2) {
      text.push_back(static_cast<wchar_t>(unit));
      continue;
    }
    // A surrogate pair becomes one character where wchar_t holds any code
    // point; a lone surrogate becomes U+FFFD.
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const uint32_t low = data[2 * i + 2] | (uint32_t{data[2 * i + 3]} << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    text.push_back(static_cast<wchar_t>(unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit));
  }
  return text;
}

}  // namespace winreach
