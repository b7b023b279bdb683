#include "platform/posix/smb/smb_url.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

TEST(SmbUrlTest, MachineNameLosesItsTwoBackslashes) {
  EXPECT_EQ(ServerOfMachineName(L"\\\\srv01"), L"srv01");
  EXPECT_EQ(ServerOfMachineName(L"srv01"), L"srv01");
  EXPECT_EQ(ServerOfMachineName(L"\\\\\\x"), L"\\x");
  EXPECT_EQ(ServerOfMachineName(L"\\\\"), L"");
}

TEST(SmbUrlTest, PipeUrls) {
  EXPECT_EQ(PipeUrl(SmbHostOf(L"testhost"), "srvsvc"), "smb://testhost/IPC$/srvsvc");
  EXPECT_EQ(PipeUrl(SmbHostOf(L"10.77.0.2"), "winreg"), "smb://10.77.0.2/IPC$/winreg");
  EXPECT_EQ(PipeUrl(SmbHostOf(L"fd77::2"), "svcctl"), "smb://fd77--2.ipv6-literal.net/IPC$/svcctl");
  EXPECT_EQ(PipeUrl(SmbHostOf(L"[fe80::1%2]"), "svcctl"),
            "smb://fe80--1s2.ipv6-literal.net/IPC$/svcctl");
}

TEST(SmbUrlTest, HostIsKeyedInLowerCaseAndAddressedAsWritten) {
  const SmbHost host = SmbHostOf(L"\\\\Srv\u00c9 1");
  EXPECT_EQ(host.key, "srv\xc3\x89 1");
  EXPECT_EQ(host.url, "Srv%C3%89%201");
}

TEST(SmbUrlTest, NamesCannotReshapeTheUrl) {
  // A user, a port, another share or a query in the name stay in the host.
  EXPECT_EQ(UrlHost(L"evil@host:139/ADMIN$?x"), "evil%40host%3A139%2FADMIN$%3Fx");
  EXPECT_EQ(UrlHost(L"h\u00e9"), "h%C3%A9");
  EXPECT_EQ(UrlHost(L"a b%"), "a%20b%25");
}

TEST(SmbUrlTest, UncPathsSplitAndBecomeFileUrls) {
  const auto unc = ParseUncPath(L"\\\\srv01\\ADMIN$\\system32\\ntoskrnl.exe");
  ASSERT_TRUE(unc);
  EXPECT_EQ(unc->server, L"srv01");
  EXPECT_EQ(unc->share, L"ADMIN$");
  EXPECT_EQ(unc->path, L"system32/ntoskrnl.exe");
  EXPECT_EQ(FileUrl(*unc), "smb://srv01/ADMIN$/system32/ntoskrnl.exe");
  EXPECT_EQ(ParentFolderUrl(*unc), "smb://srv01/ADMIN$/system32");

  const auto address = ParseUncPath(L"\\\\10.1.2.3\\ADMIN$\\a b\\c#d");
  ASSERT_TRUE(address);
  EXPECT_EQ(FileUrl(*address), "smb://10.1.2.3/ADMIN$/a%20b/c%23d");
  EXPECT_EQ(ParentFolderUrl(*address), "smb://10.1.2.3/ADMIN$/a%20b");
}

TEST(SmbUrlTest, MalformedUncPaths) {
  EXPECT_FALSE(ParseUncPath(L"C:\\Windows"));
  EXPECT_FALSE(ParseUncPath(L"\\\\srv01"));
  EXPECT_FALSE(ParseUncPath(L"\\\\srv01\\"));
  EXPECT_FALSE(ParseUncPath(L"\\\\\\share\\x"));
  const auto share_only = ParseUncPath(L"\\\\srv\\share");
  ASSERT_TRUE(share_only);
  EXPECT_EQ(FileUrl(*share_only), "smb://srv/share");
}

}  // namespace
}  // namespace winreach
