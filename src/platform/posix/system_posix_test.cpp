#include "platform/posix/system_posix.h"

#include <gtest/gtest.h>

#include <string>

namespace winreach {
namespace {

// The resolver reads UTF-8: both 8-bit names are the name's UTF-8 bytes,
// whole or nothing.
TEST(PosixSystemTest, EightBitNamesAreUtf8WholeOrNothing) {
  PosixSystem system;
  for (auto convert : {&PosixSystem::ToCodePage, &PosixSystem::ToPingName}) {
    EXPECT_EQ("caf\xC3\xA9", (system.*convert)(L"caf\u00E9", 255));
    EXPECT_EQ("\xCE\xA9srv01", (system.*convert)(L"\u03A9srv01", 255));
    EXPECT_EQ(std::nullopt, (system.*convert)(std::wstring(128, L'\u00E9'), 255));
    EXPECT_EQ(std::nullopt, (system.*convert)(std::wstring(L"a\0b", 3), 255));
  }
}

// The remote checks log on through this program's own SMB client.
TEST(PosixSystemTest, RemoteLogonIsTheProgramsOwn) {
  EXPECT_EQ(RemoteLogon::kProgram, PosixSystem().RemoteLogonBy());
}

}  // namespace
}  // namespace winreach
