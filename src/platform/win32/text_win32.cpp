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

std::optional<std::string> WholeNarrowFromWide(std::wstring_view text, UINT code_page,
                                               size_t max_bytes) {
  if (text.find(L'\0') != std::wstring_view::npos) return std::nullopt;
  if (text.empty()) return std::string();
  // Every character takes at least one byte.
  if (text.size() > max_bytes || text.size() > INT_MAX) return std::nullopt;
  // UTF-8 carries every character but a lone surrogate, and takes no
  // default character; the other code pages report whether they used one.
  if (code_page == CP_ACP && ::GetACP() == CP_UTF8) code_page = CP_UTF8;
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* const used = utf8 ? nullptr : &used_default;
  const int count = static_cast<int>(text.size());
  const int size =
      ::WideCharToMultiByte(code_page, flags, text.data(), count, nullptr, 0, nullptr, used);
  if (size <= 0 || used_default || static_cast<size_t>(size) > max_bytes) return std::nullopt;
  std::string narrow(static_cast<size_t>(size), '\0');
  if (::WideCharToMultiByte(code_page, flags, text.data(), count, narrow.data(), size, nullptr,
                            used) != size ||
      used_default) {
    return std::nullopt;
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
