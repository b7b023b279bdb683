#include "platform/win32/system_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/native_types.h"

namespace winreach {
namespace {

TEST(Win32SystemTest, StoredLastErrorReadsBackUnchanged) {
  Win32System system;
  system.SetLastError(59);
  EXPECT_EQ(system.LastError(), 59u);
  system.SetLastError(11010);
  EXPECT_EQ(system.LastError(), 11010u);
}

TEST(Win32SystemTest, ComputerNameFitsTheLocalNameBuffer) {
  const std::wstring name = Win32System().ComputerName();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 127u);
  EXPECT_EQ(name.find(L'\0'), std::wstring::npos);
}

TEST(Win32SystemTest, ErrorMessageIsTheSystemsOneLineTextOrOurOwn) {
  Win32System system;
  const std::wstring denied = system.ErrorMessage(5, L"own");
  EXPECT_NE(denied, L"own");
  EXPECT_EQ(denied.find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_NE(denied.back(), L' ');
  EXPECT_EQ(system.ErrorMessage(0x2FFFFFFF, L"own"), L"own");
}

// The remote checks log on through the system's SMB client.
TEST(Win32SystemTest, RemoteLogonIsTheSystems) {
  EXPECT_EQ(RemoteLogon::kSystem, Win32System().RemoteLogonBy());
}

TEST(Win32SystemTest, UpperCaseConvertsACopyUnderTheLocale) {
  Win32System system;
  const std::wstring name = L"srv-\u00e9t\u00e9\u0001x";
  EXPECT_EQ(system.UpperCase(name), L"SRV-\u00c9T\u00c9\u0001X");
  EXPECT_EQ(name, L"srv-\u00e9t\u00e9\u0001x");
  EXPECT_EQ(system.UpperCase(std::wstring(L"a\0b", 3)), std::wstring(L"A\0B", 3));
  EXPECT_EQ(system.UpperCase(L""), L"");
}

TEST(Win32SystemTest, CodePageNameIsWholeOrNothing) {
  Win32System system;
  EXPECT_EQ(system.ToCodePage(L"SrV01", 255), "SrV01");
  EXPECT_EQ(system.ToCodePage(std::wstring(300, L'n'), 255), std::nullopt);
  EXPECT_EQ(system.ToCodePage(std::wstring(255, L'n'), 255), std::string(255, 'n'));
  EXPECT_EQ(system.ToCodePage(L"srv\xD800", 255), std::nullopt);  // in no code page
  if (::GetACP() == 1252) {
    // No look-alike ("O") stands in for the omega.
    EXPECT_EQ(system.ToCodePage(L"\u03A9srv01", 255), std::nullopt);
    EXPECT_EQ(system.ToCodePage(L"caf\u00E9", 255), "caf\xE9");
  }
  EXPECT_EQ(system.FromCodePage("SrV01"), L"SrV01");
}

TEST(Win32SystemTest, PingNameIsWholeOrNothing) {
  Win32System system;
  EXPECT_EQ(system.ToPingName(L"SrV01", 255), "SrV01");
  EXPECT_EQ(system.ToPingName(L"\u03A9srv01", 255), std::nullopt);
  EXPECT_EQ(system.ToPingName(std::wstring(256, L'n'), 255), std::nullopt);
  if (::GetACP() == 1252) {
    EXPECT_EQ(system.ToPingName(L"caf\u00E9", 255), "caf\xE9");
  }
}

TEST(Win32SystemTest, PerformanceCounterHasARateAndNeverGoesBack) {
  Win32System system;
  EXPECT_GT(system.PerformanceFrequency(), 0);
  const int64_t first = system.PerformanceCounter();
  ::Sleep(2);
  EXPECT_GT(system.PerformanceCounter(), first);
  EXPECT_NE(system.CurrentProcessId(), 0u);
}

}  // namespace
}  // namespace winreach
