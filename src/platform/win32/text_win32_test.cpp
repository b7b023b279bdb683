#include "platform/win32/text_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace winreach {
namespace {

TEST(TextWin32Test, Utf8RoundTripsAnyCharacter) {
  const std::wstring text = L"pc-\u00e9\u4e2d\U0001F600";
  const std::string utf8 = NarrowFromWide(text, CP_UTF8, SIZE_MAX);
  EXPECT_EQ(utf8, "pc-\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
  EXPECT_EQ(WideFromNarrow(utf8, CP_UTF8), text);
}

TEST(TextWin32Test, CutKeepsWholeCharactersOnly) {
  // Two-byte characters into an odd limit: the last one does not fit whole.
  EXPECT_EQ(NarrowFromWide(std::wstring(200, L'\u00e9'), CP_UTF8, 255).size(), 254u);
  // A surrogate pair makes four bytes and is never split.
  const std::wstring faces = L"\U0001F600\U0001F600\U0001F600";
  EXPECT_EQ(NarrowFromWide(faces, CP_UTF8, 10), "\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
  EXPECT_EQ(NarrowFromWide(faces, CP_UTF8, 3), "");
  // An exact fit is kept whole, a plain name is cut at the limit.
  EXPECT_EQ(NarrowFromWide(L"abc", CP_UTF8, 3), "abc");
  EXPECT_EQ(NarrowFromWide(std::wstring(300, L'a'), CP_ACP, 255), std::string(255, 'a'));
  EXPECT_EQ(NarrowFromWide(L"abc", CP_ACP, 0), "");
}

TEST(TextWin32Test, EmptyAndInvalidInputGiveEmptyOrReplacedText) {
  EXPECT_EQ(NarrowFromWide(L"", CP_UTF8, 255), "");
  EXPECT_EQ(WideFromNarrow("", CP_UTF8), L"");
  // A lone surrogate cannot be encoded as it is; it must not make the
  // conversion fail or run past the limit.
  const std::string lone = NarrowFromWide(std::wstring(1, wchar_t(0xD800)) + L"x", CP_UTF8, 255);
  EXPECT_LE(lone.size(), 255u);
  EXPECT_EQ(lone.back(), 'x');
}

}  // namespace
}  // namespace winreach
