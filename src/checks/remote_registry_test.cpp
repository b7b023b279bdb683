#include "checks/remote_registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kComputerName[] =
    L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName";
constexpr wchar_t kTcpip[] = L"SYSTEM\\CurrentControlSet\\Services\\TcpIp\\Parameters";

// A registry in which every key and value of the five checks is present.
void FillRegistry(FakeRegistry& registry) {
  registry.keys[kCurrentVersion].values[L"CurrentVersion"] = WideValue(L"10.0");
  registry.keys[kWinlogon].values[L"Userinit"] = WideValue(L"C:\\Windows\\userinit.exe,");
  registry.keys[kComputerName].values[L"ComputerName"] = WideValue(L"SRV01");
  registry.keys[kTcpip].values[L"HostName"] = WideValue(L"srv01");
}

constexpr wchar_t kAllGood[] =
    L"Remote access to the registry (HKEY_LOCAL_MACHINE) OK!\n"
    L"Successfully retrieved current version! 10.0\n"
    L"Read access to the Winlogon key OK!\n"
    L"Full access to the Winlogon key OK!\n"
    L"Read access to the key \"Control\\ComputerName\\ActiveComputerName\" OK!\n"
    L"Read access to the key \"TcpIp\\Parameters\" OK!\n";

TEST(RemoteRegistryTest, ReachableRegistryWithEverythingGivesSixLines) {
  FakePlatform platform;
  FillRegistry(platform.registry_);
  CheckRemoteRegistry(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(), kAllGood);
  const std::vector<std::wstring> expected_log = {
      L"connect \\\\srv01 HKLM",
      std::wstring(L"open ") + kCurrentVersion + L" 00020119",
      L"query CurrentVersion",
      std::wstring(L"close ") + kCurrentVersion,
      std::wstring(L"open ") + kWinlogon + L" 00020119",
      L"query Userinit",
      std::wstring(L"close ") + kWinlogon,
      std::wstring(L"open ") + kWinlogon + L" 000F013F",
      std::wstring(L"close ") + kWinlogon,
      std::wstring(L"open ") + kComputerName + L" 00020019",
      L"query ComputerName",
      std::wstring(L"close ") + kComputerName,
      std::wstring(L"open ") + kTcpip + L" 00020019",
      L"query HostName",
      std::wstring(L"close ") + kTcpip,
      L"close root",
  };
  EXPECT_EQ(platform.registry_.log, expected_log);
}

TEST(RemoteRegistryTest, RefusedConnectionPrintsOneLineAndClosesNothing) {
  FakePlatform platform;
  platform.registry_.connect_status = 53;
  CheckRemoteRegistry(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(),
            L"Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035\n");
  EXPECT_EQ(platform.registry_.log, std::vector<std::wstring>{L"connect \\\\srv01 HKLM"});
}

TEST(RemoteRegistryTest, ConnectionJudgedByTheHandleNotTheStatus) {
  FakePlatform platform;
  FillRegistry(platform.registry_);
  platform.registry_.connect_status = 1326;
  platform.registry_.connect_gives_handle_with_error = true;
  CheckRemoteRegistry(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(), kAllGood);
}

TEST(RemoteRegistryTest, ReadButNotFullAccessAndMissingKeysAndValues) {
  FakePlatform platform;
  FillRegistry(platform.registry_);
  platform.registry_.keys[kWinlogon].refused[kKeyAllAccess | kKeyWow64_64Key] = 5;
  platform.registry_.keys.erase(kCurrentVersion);          // key missing: 2
  platform.registry_.keys[kComputerName].values.clear();  // value missing: 2
  platform.registry_.keys[kTcpip].open_status = 5;
  CheckRemoteRegistry(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(),
            L"Remote access to the registry (HKEY_LOCAL_MACHINE) OK!\n"
            L"Read access to the CurrentVersion key failed! Error 00000002\n"
            L"Read access to the Winlogon key OK!\n"
            L"Full access to the Winlogon key failed! Error 00000005\n"
            L"Failed to read the value \"ComputerName\" in the "
            L"\"Control\\ComputerName\\ActiveComputerName\" key! Error 00000002\n"
            L"Read access to the key \"TcpIp\\Parameters\" failed! Error 00000005\n");
  // No query and no close after a failed opening; the root closed once, last.
  const auto& log = platform.registry_.log;
  EXPECT_EQ(std::count(log.begin(), log.end(), L"query CurrentVersion"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), std::wstring(L"close ") + kCurrentVersion), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), std::wstring(L"close ") + kComputerName), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), std::wstring(L"close ") + kTcpip), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), L"close root"), 1);
  EXPECT_EQ(log.back(), L"close root");
}

TEST(RemoteRegistryTest, EveryQueryStartsWithTheFullSize) {
  FakePlatform platform;
  FillRegistry(platform.registry_);
  // A short version first, then a value of exactly 2048 bytes.
  platform.registry_.keys[kCurrentVersion].values[L"CurrentVersion"] = WideValue(L"6");
  platform.registry_.keys[kWinlogon].values[L"Userinit"] =
      WideValue(std::wstring(1023, L'x'));  // 2046 + terminator = 2048
  CheckRemoteRegistry(platform, L"\\\\srv01");
  EXPECT_EQ(platform.registry_.query_sizes, (std::vector<uint32_t>{2048, 2048, 2048, 2048}));
  EXPECT_NE(platform.console_.Output().find(L"Read access to the Winlogon key OK!\n"),
            std::wstring::npos);
}

TEST(RemoteRegistryTest, ValueLongerThanTheBufferFailsItsRead) {
  FakePlatform platform;
  FillRegistry(platform.registry_);
  platform.registry_.keys[kTcpip].values[L"HostName"] = WideValue(std::wstring(1024, L'h'));
  platform.registry_.keys[kCurrentVersion].values[L"CurrentVersion"] =
      WideValue(std::wstring(1500, L'v'));
  CheckRemoteRegistry(platform, L"\\\\srv01");
  const std::wstring out = platform.console_.Output();
  EXPECT_NE(out.find(L"Failed to read the current version! Error 000000EA\n"), std::wstring::npos);
  EXPECT_NE(out.find(L"Failed to read the value \"HostName\" in the \"TcpIp\\Parameters\" key! "
                     L"Error 000000EA\n"),
            std::wstring::npos);
}

TEST(RemoteRegistryTest, VersionShowsNoControlCharacters) {
  // A value that would start a line of its own, and one with an escape
  // sequence: one line each, control characters shown as '?'.
  const struct {
    const wchar_t* value;
    const wchar_t* shown;
  } cases[] = {
      {L"6.3\nRemote access to the ADMIN$ share OK!", L"6.3?Remote access to the ADMIN$ share OK!"},
      {L"\x1B]0;title\x07\x1B[2J10.0\r\t\x7F\x85", L"?]0;title??[2J10.0????"},
      {L"10.0 \u00e9\u4e2d", L"10.0 \u00e9\u4e2d"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    FillRegistry(platform.registry_);
    platform.registry_.keys[kCurrentVersion].values[L"CurrentVersion"] = WideValue(c.value);
    CheckRemoteRegistry(platform, L"\\\\srv01");
    const std::wstring out = platform.console_.Output();
    EXPECT_NE(out.find(std::wstring(L"Successfully retrieved current version! ") + c.shown + L"\n"),
              std::wstring::npos)
        << out;
    EXPECT_EQ(6, std::count(out.begin(), out.end(), L'\n')) << out;
  }
}

TEST(RemoteRegistryTest, VersionFillingTheWholeBufferPrintsWithinIt) {
  FakePlatform platform;
  FillRegistry(platform.registry_);
  // 1024 characters and no terminator: exactly 2048 bytes.
  std::vector<uint8_t> full(2048);
  for (size_t i = 0; i < full.size(); i += 2) full[i] = 'z';
  platform.registry_.keys[kCurrentVersion].values[L"CurrentVersion"] = full;
  CheckRemoteRegistry(platform, L"\\\\srv01");
  EXPECT_NE(platform.console_.Output().find(L"Successfully retrieved current version! " +
                                            std::wstring(1024, L'z') + L"\n"),
            std::wstring::npos);
}

}  // namespace
}  // namespace winreach
