#include "platform/posix/smb/smb_names.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

TEST(SmbNamesTest, MachineNameLosesItsTwoBackslashes) {
  EXPECT_EQ(ServerOfMachineName(L"\\\\srv01"), L"srv01");
  EXPECT_EQ(ServerOfMachineName(L"srv01"), L"srv01");
  EXPECT_EQ(ServerOfMachineName(L"\\\\\\x"), L"\\x");
  EXPECT_EQ(ServerOfMachineName(L"\\\\"), L"");
}

TEST(SmbNamesTest, HostIsKeyedInLowerCaseAndAddressedAsWritten) {
  const SmbHost host = SmbHostOf(L"\\\\Srv\u00c9 1");
  EXPECT_EQ(host.key, "srv\xc3\x89 1");
  EXPECT_EQ(host.name, "Srv\xc3\x89 1");
  EXPECT_EQ(SmbHostOf(L"[fd77::2]").name, "fd77::2");
  EXPECT_EQ(SmbHostOf(L"\\\\").key, "");
}

TEST(SmbNamesTest, UncPaths) {
  const auto unc = ParseUncPath(L"\\\\srv01\\ADMIN$\\system32/ntoskrnl.exe");
  ASSERT_TRUE(unc);
  EXPECT_EQ(unc->server, L"srv01");
  EXPECT_EQ(unc->share, L"ADMIN$");
  EXPECT_EQ(unc->path, L"system32\\ntoskrnl.exe");

  EXPECT_FALSE(ParseUncPath(L"C:\\Windows"));
  EXPECT_FALSE(ParseUncPath(L"\\\\srv01"));
  EXPECT_FALSE(ParseUncPath(L"\\\\srv01\\"));
  EXPECT_FALSE(ParseUncPath(L"\\\\\\share\\x"));
  const auto share_only = ParseUncPath(L"\\\\srv\\share");
  ASSERT_TRUE(share_only);
  EXPECT_EQ(share_only->path, L"");
}

}  // namespace
}  // namespace winreach
