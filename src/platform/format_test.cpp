#include "platform/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace winreach {
namespace {

TEST(FormatTest, NumbersAsThePrintfConversionsWouldPrintThem) {
  EXPECT_EQ(L"00000000", Hex8(0));
  EXPECT_EQ(L"00002AF9", Hex8(11001));
  EXPECT_EQ(L"FFFFFFFF", Hex8(0xFFFFFFFF));
  EXPECT_EQ(L"0", Decimal(0));
  EXPECT_EQ(L"11003", Decimal(11003));
  EXPECT_EQ(L"-1", Decimal(-1));
  EXPECT_EQ(L"-2147483648", Decimal(INT32_MIN));
  EXPECT_EQ(L"4294967295", Unsigned(UINT32_MAX));
  EXPECT_EQ("0", HexLower8(0));
  EXPECT_EQ("23", HexLower8(0x23));
  EXPECT_EQ("ff", HexLower8(0xFF));
  EXPECT_EQ("0a", HexByte8(0x0A));
  EXPECT_EQ("255", Unsigned8(255));
}

TEST(FormatTest, ByteNameIsNothingRatherThanCutBeforeACharacterAboveFF) {
  EXPECT_EQ("host", ByteNameOf(L"host"));
  EXPECT_EQ("caf\xE9", ByteNameOf(L"caf\u00E9"));
  EXPECT_EQ(std::nullopt, ByteNameOf(L"ab\u0100cd"));
  EXPECT_EQ(std::nullopt, ByteNameOf(L"\u4E2D"));
  EXPECT_EQ(std::nullopt, ByteNameOf(std::wstring(L"ab\0cd", 5)));
  EXPECT_EQ("", ByteNameOf(L""));
}

TEST(FormatTest, ByteNameIsNothingRatherThanCutAt255Bytes) {
  EXPECT_EQ(std::nullopt, ByteNameOf(std::wstring(256, L'x')));
  EXPECT_EQ(std::string(255, 'x'), ByteNameOf(std::wstring(255, L'x')));
}

TEST(FormatTest, PrintableTextReplacesEveryControlCharacter) {
  std::wstring all;
  for (wchar_t c = 0; c < 0x120; ++c) all.push_back(c);
  const std::wstring shown = PrintableText(all);
  ASSERT_EQ(all.size(), shown.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const bool control = i < 0x20 || (i >= 0x7F && i <= 0x9F);
    const bool soft_hyphen = i == 0xAD;  // a format character
    EXPECT_EQ(control || soft_hyphen ? L'?' : all[i], shown[i]) << i;
  }
  EXPECT_EQ(L"", PrintableText(L""));
  EXPECT_EQ(L"\u4e2d\u00e9 ok", PrintableText(L"\u4e2d\u00e9 ok"));
}

TEST(FormatTest, PrintableTextReplacesFormatSeparatorPrivateAndSurrogateCharacters) {
  // A forged line: a line separator, a right-to-left override, zero-width
  // and private-use characters, one '?' each.
  EXPECT_EQ(L"6.3?Remote access to the ADMIN$ share OK!?!KO??a?b?c?",
            PrintableText(L"6.3\u2028Remote access to the ADMIN$ share OK!\u202E!KO\u200B"
                          L"\u2029a\uFEFFb\U000E0041c\uE000"));
  EXPECT_EQ(L"?x?y?", PrintableText(L"\u00ADx\U000F0000y\U0010FFFD"));
  // Letters and symbols beyond the first plane stay whole.
  EXPECT_EQ(L"\u00e9\u4e2d\U0001F600\u202F\u2030", PrintableText(L"\u00e9\u4e2d\U0001F600\u202F\u2030"));
  // Unpaired surrogate units, as a UTF-16 answer may carry them.
  std::wstring lone = L"a";
  lone.push_back(static_cast<wchar_t>(0xD800));
  lone.push_back(L'b');
  lone.push_back(static_cast<wchar_t>(0xDC00));
  EXPECT_EQ(L"a?b?", PrintableText(lone));
}

TEST(FormatTest, PrintableBytesKeepsCodePageLetters) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string shown = PrintableBytes(all);
  ASSERT_EQ(256u, shown.size());
  for (int b = 0; b < 256; ++b) {
    const bool control = b < 0x20 || b == 0x7F;
    EXPECT_EQ(control ? '?' : static_cast<char>(b), shown[static_cast<size_t>(b)]) << b;
  }
}

TEST(FormatTest, WideFromUtf16LeStopsAtZeroOrTheEndOfTheData) {
  const uint8_t text[] = {'6', 0, '.', 0, '3', 0, 0, 0, 'x', 0};
  EXPECT_EQ(L"6.3", WideFromUtf16Le(text, sizeof text));
  // No terminator: the data's end ends the text, and nothing beyond is read.
  EXPECT_EQ(L"6.", WideFromUtf16Le(text, 4));
  // An odd byte at the end is no whole unit.
  EXPECT_EQ(L"6", WideFromUtf16Le(text, 3));
  EXPECT_EQ(L"", WideFromUtf16Le(text, 0));
}

TEST(FormatTest, WideFromUtf16LeJoinsSurrogatePairs) {
  const uint8_t pair[] = {0x3D, 0xD8, 0x00, 0xDE};  // U+1F600
  const uint8_t lone[] = {0x3D, 0xD8, 'a', 0};
  if constexpr (sizeof(wchar_t) == 4) {
    EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(0x1F600)), WideFromUtf16Le(pair, 4));
    EXPECT_EQ(L"\uFFFDa", WideFromUtf16Le(lone, 4));
  } else {
    EXPECT_EQ(2u, WideFromUtf16Le(pair, 4).size());
  }
}

TEST(Utf16Test, SurrogatesRoundTripAndLoneOnesBecomeReplacement) {
  const std::u16string units = Utf16FromWide(L"A\U0001F600");
  EXPECT_EQ(units, (std::u16string{u'A', 0xD83D, 0xDE00}));
  EXPECT_EQ(WideFromUtf16(units), L"A\U0001F600");
  if constexpr (sizeof(wchar_t) == 4) {
    EXPECT_EQ(WideFromUtf16(std::u16string{0xD800, u'x'}), L"\uFFFDx");
  }
}

}  // namespace
}  // namespace winreach
