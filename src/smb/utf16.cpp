#include "smb/utf16.h"

namespace winreach::smb {

namespace {

// Upper case of one UTF-16 unit for the scripts account names are written
// in (Latin, Greek, Cyrillic); other units stay as they are.
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

// Code points of UTF-8 text, each handed to `emit`; ill-formed sequences
// (overlong, surrogates, beyond U+10FFFF, cut short) become U+FFFD.
template <typename Emit>
void DecodeUtf8(std::string_view text, Emit emit) {
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    size_t extra = 0;
    uint32_t point = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      point = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, point = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, point = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, point = lead & 0x07, minimum = 0x10000;
    } else {
      emit(0xFFFD);
      ++i;
      continue;
    }
    size_t taken = 1;
    bool good = true;
    for (; taken <= extra; ++taken) {
      if (i + taken >= text.size() || (static_cast<uint8_t>(text[i + taken]) & 0xC0) != 0x80) {
        good = false;
        break;
      }
      point = point << 6 | (static_cast<uint8_t>(text[i + taken]) & 0x3F);
    }
    if (!good || point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
      emit(0xFFFD);
      i += taken;  // the lead and the continuation bytes that came with it
      continue;
    }
    emit(point);
    i += taken;
  }
}

template <typename Unit>
void ForEachUtf16Unit(std::string_view text, Unit unit) {
  DecodeUtf8(text, [&](uint32_t point) {
    if (point < 0x10000) {
      unit(static_cast<char16_t>(point));
    } else {
      point -= 0x10000;
      unit(static_cast<char16_t>(0xD800 | point >> 10));
      unit(static_cast<char16_t>(0xDC00 | (point & 0x3FF)));
    }
  });
}

size_t Utf16Size(std::string_view text) {
  size_t units = 0;
  ForEachUtf16Unit(text, [&](char16_t) { ++units; });
  return units * 2;
}

}  // namespace

SecretBytes Utf16LeFromUtf8(std::string_view text) {
  SecretBytes out(Utf16Size(text));
  size_t at = 0;
  ForEachUtf16Unit(text, [&](char16_t unit) {
    out.data()[at++] = static_cast<uint8_t>(unit);
    out.data()[at++] = static_cast<uint8_t>(unit >> 8);
  });
  return out;
}

Bytes UpperUtf16LeFromUtf8(std::string_view text) {
  Bytes out;
  out.reserve(Utf16Size(text));
  ForEachUtf16Unit(text, [&](char16_t unit) {
    unit = ToUpper(unit);
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  });
  return out;
}

std::string Utf8FromUtf16(std::u16string_view units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t point = units[i];
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      point = 0xFFFD;
    }
    if (point < 0x80) {
      out += static_cast<char>(point);
    } else if (point < 0x800) {
      out += static_cast<char>(0xC0 | point >> 6);
      out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      out += static_cast<char>(0xE0 | point >> 12);
      out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | point >> 18);
      out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (point & 0x3F));
    }
  }
  return out;
}

}  // namespace winreach::smb
