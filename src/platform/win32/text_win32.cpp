#include "platform/win32/text_win32.h"

#include <climits>

namespace winreach {

namespace {

// Bytes that `count` wide units take in `code_page`.
size_t NarrowSize(const wchar_t* text, size_t count, UINT code_page) {
  if (count == 0) return 0;
  const int size = ::WideCharToMultiByte(code_page, 0, text, static_cast<int>(count), nullptr, 0,
                                         nullptr, nullptr);
  return size > 0 ? static_cast<size_t>(size) : 0;
}

bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string NarrowFromWide(std::wstring_view text, UINT code_page, size_t max_bytes) {
  if (text.size() > INT_MAX / 4) text = text.substr(0, INT_MAX / 4);
  // Keep the longest prefix of whole characters that fits: a cut must not
  // split a surrogate pair or a double-byte character.
  size_t count = text.size();
  size_t size = NarrowSize(text.data(), count, code_page);
  while (size > max_bytes) {
    // Each wide unit makes at most four bytes; step down in proportion
    // first, then one character at a time.
    const size_t excess_units = (size - max_bytes + 3) / 4;
    count = count > excess_units ? count - excess_units : 0;
    if (count > 0 && count < text.size() && IsLowSurrogate(text[count])) --count;
    size = NarrowSize(text.data(), count, code_page);
  }
  std::string narrow(size, '\0');
  if (size > 0) {
    ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(count), narrow.data(),
                          static_cast<int>(size), nullptr, nullptr);
  }
  return narrow;
}

std::wstring WideFromNarrow(std::string_view text, UINT code_page) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size =
      ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        size);
  return wide;
}

}  // namespace winreach
