// Reads from a real server through the SMB platform, for the integration
// tests to compare with Samba's own clients. Skipped unless WR_LIVE_HOST
// names the server (the test network sets it inside its client namespace).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/format.h"
#include "platform/native_types.h"
#include "platform/posix/smb/smb_platform.h"
#include "platform/posix/utf8.h"

namespace winreach {
namespace {

std::wstring LiveMachine() {
  const char* host = std::getenv("WR_LIVE_HOST");
  return host ? L"\\\\" + DecodeUtf8(host) : L"";
}

void Print(const std::wstring& line) { std::printf("%s\n", EncodeUtf8(line).c_str()); }

TEST(SmbLiveTest, ServerInformationLevel101) {
  const std::wstring machine = LiveMachine();
  if (machine.empty()) GTEST_SKIP() << "WR_LIVE_HOST not set";
  SmbPlatform smb;
  uint8_t* block = nullptr;
  ASSERT_EQ(smb.management().ServerGetInfo(machine, 101, &block), 0u);
  ASSERT_NE(block, nullptr);
  const auto* info = reinterpret_cast<const SERVER_INFO_101*>(block);
  Print(L"name: " + std::wstring(info->sv101_name));
  Print(L"comment: " + std::wstring(info->sv101_comment));
  Print(L"platform_id: " + Unsigned(info->sv101_platform_id));
  Print(L"os version: " + Unsigned(info->sv101_version_major) + L"." +
        Unsigned(info->sv101_version_minor));
  Print(L"server type: 0x" + DecodeUtf8(HexLower8(info->sv101_type)));
  EXPECT_EQ(smb.management().BufferFree(block), 0u);
  EXPECT_NE(smb.management().BufferFree(block), 0u);  // a second free is refused
}

TEST(SmbLiveTest, RegistryValues) {
  const std::wstring machine = LiveMachine();
  if (machine.empty()) GTEST_SKIP() << "WR_LIVE_HOST not set";
  SmbPlatform smb;
  Registry& registry = smb.registry();
  RegistryKey root = nullptr;
  ASSERT_EQ(registry.ConnectRegistry(machine, LocalMachineRoot(), &root), 0u);
  for (const auto& [path, name] :
       {std::pair{L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName",
                  L"ComputerName"},
        std::pair{L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentVersion"}}) {
    RegistryKey key = nullptr;
    ASSERT_EQ(registry.OpenKey(root, path, 0, kKeyRead, &key), 0u) << EncodeUtf8(path);
    uint8_t data[2048] = {};
    uint32_t size = sizeof(data);
    uint32_t type = 0;
    ASSERT_EQ(registry.QueryValue(key, name, &type, data, &size), 0u);
    EXPECT_EQ(type, 1u);
    Print(std::wstring(name) + L": " + WideFromUtf16Le(data, size));
    // A buffer too small for the value: the server's ERROR_MORE_DATA and
    // the size it needs, the buffer untouched.
    uint8_t small[2] = {0x55, 0x55};
    uint32_t small_size = sizeof(small);
    EXPECT_EQ(registry.QueryValue(key, name, nullptr, small, &small_size), 234u);
    EXPECT_EQ(small_size, size);
    EXPECT_EQ(small[0], 0x55);
    EXPECT_EQ(registry.CloseKey(key), 0u);
    EXPECT_NE(registry.CloseKey(key), 0u);  // closed once only
  }
  EXPECT_EQ(registry.CloseKey(root), 0u);
}

}  // namespace
}  // namespace winreach
