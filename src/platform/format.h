// Small typed formatters for the tool's messages. Messages are composed from
// these pieces instead of printf-style formats, whose %s and %S mean different
// things to glibc and to the Windows C runtime.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace winreach {

// "%08X": eight upper-case hexadecimal digits.
std::wstring Hex8(uint32_t value);

// "%d": signed decimal of the 32-bit value.
std::wstring Decimal(int32_t value);

// "%u": unsigned decimal.
std::wstring Unsigned(uint32_t value);

// "%x" for 8-bit messages: lower-case hexadecimal without leading zeros.
std::string HexLower8(uint32_t value);

// "%02x" for 8-bit messages.
std::string HexByte8(uint8_t value);

// "%u" for 8-bit messages.
std::string Unsigned8(uint32_t value);

// Milliseconds as seconds with three decimals for 8-bit reports ("0.042");
// a negative span, which a clock set back can give, as none.
std::string Seconds8(int64_t ms);

// The byte-per-character form of a name: each character up to U+00FF becomes
// the byte of the same value. Nothing when that cannot carry the name whole
// (a character above U+00FF, a zero character, more than 255 bytes): a cut
// name, the empty one above all, would name another computer.
std::optional<std::string> ByteNameOf(std::wstring_view name);

// Longest 8-bit name the buffers hold (256 bytes with the terminator).
inline constexpr size_t kMaxEightBitName = 255;

// Text that came from the network, fit to be shown: every character that
// is not plain visible text becomes '?', one '?' per character: controls
// (Cc), format characters such as the bidirectional overrides and the
// zero-width ones (Cf), the line and paragraph separators (Zl, Zp), private
// use (Co), surrogates (Cs) and unpaired surrogate units, and anything beyond
// U+10FFFF. A remote computer's answer can then neither start a line of its
// own that reads like a result (for a terminal, an editor or a log viewer),
// nor reorder or hide what is shown, nor send escape sequences to the
// terminal; and its UTF-8 form is always valid.
std::wstring PrintableText(std::wstring_view text);

// The same for 8-bit text: bytes 0x00 to 0x1F and 0x7F become '?'; bytes
// from 0x80 on are the code page's letters and stay.
std::string PrintableBytes(std::string_view text);

// UTF-16 code units of a wide string, without a terminator.
std::u16string Utf16FromWide(std::wstring_view text);

// A wide string from UTF-16 units. Where wchar_t holds any code point a
// surrogate pair becomes one character and a lone surrogate U+FFFD; where
// wchar_t is UTF-16 (Windows) the units pass as they are.
std::wstring WideFromUtf16(std::u16string_view units);

// The same from UTF-16LE data: up to the first zero unit or the end of the
// data, whichever comes first; never reads beyond `size` bytes.
std::wstring WideFromUtf16Le(const uint8_t* data, size_t size);

}  // namespace winreach
