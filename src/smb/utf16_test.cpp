#include "smb/utf16.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace winreach::smb {
namespace {

using testing::Hex;

TEST(Utf16Test, LittleEndianBytesAndUpperCase) {
  struct Case {
    std::u16string_view text;
    const char* utf16le;
    const char* upper;
  };
  const Case cases[] = {
      {u"aZ", "61005a00", "41005a00"},
      {u"\u00e9\u0142", "e9004201", "c9004101"},               // é ł
      {u"\u0436\u03b1", "3604b103", "16049103"},               // ж α
      {u"\u00ff\u0451\u03c2\u00f7", "ff005104c203f700", "78010104c203f700"},  // ÿ ё ς ÷
      {u"\U0001F600", "3dd800de", "3dd800de"},                 // outside the BMP
  };
  for (const Case& c : cases) {
    const SecretBytes bytes = Utf16Le(c.text);
    const SecretBytes upper = Utf16Le(UpperCase(c.text));
    EXPECT_EQ(Bytes(bytes.span().begin(), bytes.span().end()), Hex(c.utf16le)) << c.utf16le;
    EXPECT_EQ(Bytes(upper.span().begin(), upper.span().end()), Hex(c.upper)) << c.utf16le;
  }
}

}  // namespace
}  // namespace winreach::smb
