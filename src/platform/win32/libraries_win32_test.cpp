#include "platform/win32/libraries_win32.h"

#include <gtest/gtest.h>

#include "platform/native_types.h"

namespace winreach {
namespace {

TEST(Win32LibrariesTest, IcmpHelperLibraryOffersTheIpv4EntryPoints) {
  Win32Libraries libraries;
  const LibraryHandle icmp = libraries.Load(L"ICMP.DLL");
  ASSERT_NE(icmp, nullptr);
  EXPECT_NE(libraries.GetProcAddress(icmp, "IcmpCreateFile"), nullptr);
  EXPECT_NE(libraries.GetProcAddress(icmp, "IcmpSendEcho"), nullptr);
  EXPECT_NE(libraries.GetProcAddress(icmp, "IcmpCloseHandle"), nullptr);
  EXPECT_EQ(libraries.GetProcAddress(icmp, "NoSuchEntryPoint"), nullptr);
  EXPECT_TRUE(libraries.Free(icmp));
}

TEST(Win32LibrariesTest, HeldLibraryLoadsAgainAsTheSameHandle) {
  Win32Libraries libraries;
  const LibraryHandle first = libraries.Load(L"Ws2_32.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(libraries.Load(L"Ws2_32.dll"), first);
  EXPECT_NE(libraries.GetProcAddress(first, "getaddrinfo"), nullptr);
  EXPECT_TRUE(libraries.Free(first));
  EXPECT_TRUE(libraries.Free(first));
}

TEST(Win32LibrariesTest, MissingLibraryIsNull) {
  EXPECT_EQ(Win32Libraries().Load(L"winreach-no-such-library.dll"), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
}  // namespace winreach
