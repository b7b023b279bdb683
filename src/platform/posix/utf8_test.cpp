#include "platform/posix/utf8.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

TEST(Utf8Test, RoundTripsEveryPlane) {
  const std::wstring text = L"a\u00E9\u4E2D" + std::wstring(1, static_cast<wchar_t>(0x1F600));
  EXPECT_EQ("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", EncodeUtf8(text));
  EXPECT_EQ(text, DecodeUtf8(EncodeUtf8(text)));
}

TEST(Utf8Test, BadBytesBecomeReplacementCharacters) {
  EXPECT_EQ(L"a\uFFFDb", DecodeUtf8("a\xFF" "b"));
  EXPECT_EQ(L"\uFFFD", DecodeUtf8("\xC3"));                // cut short at the end
  EXPECT_EQ(L"\uFFFD\uFFFD", DecodeUtf8("\xC0\x80"));      // overlong zero
  EXPECT_EQ(L"\uFFFD\uFFFD\uFFFD", DecodeUtf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_EQ(L"\uFFFDx", DecodeUtf8("\xE4x"));
}

TEST(Utf8Test, BoundedEncodingNeverSplitsACharacter) {
  EXPECT_EQ("ab", EncodeUtf8Bounded(L"ab\u00E9", 3));
  EXPECT_EQ("ab\xC3\xA9", EncodeUtf8Bounded(L"ab\u00E9", 4));
  EXPECT_EQ(std::string(255, 'x'), EncodeUtf8Bounded(std::wstring(300, L'x'), 255));
}

}  // namespace
}  // namespace winreach
