#include "smb/utf16.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

using testing::Hex;

TEST(Utf16Test, ConvertsAndUpperCases) {
  struct Case {
    const char* utf8;
    const char* utf16le;
    const char* upper;
  };
  const Case cases[] = {
      {"aZ", "61005a00", "41005a00"},
      {"\xc3\xa9\xc5\x82", "e9004201", "c9004101"},          // é ł
      {"\xd0\xb6\xce\xb1", "3604b103", "16049103"},          // ж α
      {"\xf0\x9f\x98\x80", "3dd800de", "3dd800de"},          // outside the BMP
      {"\xc0\x80x\xe2\x82", "fdff7800fdff", "fdff5800fdff"}, // overlong, cut short
  };
  for (const Case& c : cases) {
    const SecretBytes units = Utf16LeFromUtf8(c.utf8);
    EXPECT_EQ(Bytes(units.span().begin(), units.span().end()), Hex(c.utf16le)) << c.utf8;
    EXPECT_EQ(UpperUtf16LeFromUtf8(c.utf8), Hex(c.upper)) << c.utf8;
  }
  EXPECT_EQ(Utf8FromUtf16(u"Dom\u00e9\U0001F600"), "Dom\xc3\xa9\xf0\x9f\x98\x80");
}

}  // namespace
}  // namespace winreach::smb
