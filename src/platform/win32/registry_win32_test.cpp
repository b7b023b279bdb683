// The registry calls against the local computer's registry, which the empty
// machine name selects.
#include "platform/win32/registry_win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/native_types.h"

namespace winreach {
namespace {

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(registry_.ConnectRegistry(L"", LocalMachineRoot(), &root_), 0u);
    ASSERT_NE(root_, nullptr);
  }
  void TearDown() override { registry_.CloseKey(root_); }

  Win32Registry registry_;
  RegistryKey root_ = nullptr;
};

TEST_F(Win32RegistryTest, ReadsAStringValueWithItsSize) {
  RegistryKey key = nullptr;
  ASSERT_EQ(registry_.OpenKey(root_, kCurrentVersion, 0, kKeyRead | kKeyWow64_64Key, &key), 0u);
  ASSERT_NE(key, nullptr);
  uint8_t data[2048] = {};
  uint32_t size = sizeof data;
  uint32_t type = 0;
  ASSERT_EQ(registry_.QueryValue(key, L"CurrentVersion", &type, data, &size), 0u);
  EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
  std::wstring text(reinterpret_cast<const wchar_t*>(data));
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(size, (text.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(registry_.CloseKey(key), 0u);
}

TEST_F(Win32RegistryTest, ValueLargerThanTheBufferIsNotRead) {
  RegistryKey key = nullptr;
  ASSERT_EQ(registry_.OpenKey(root_, kCurrentVersion, 0, kKeyRead, &key), 0u);
  uint8_t data[2] = {0xAA, 0xAA};
  uint32_t size = sizeof data;
  EXPECT_EQ(registry_.QueryValue(key, L"CurrentVersion", nullptr, data, &size),
            static_cast<uint32_t>(ERROR_MORE_DATA));
  EXPECT_GT(size, 2u);
  registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, MissingKeyAndValueFailWithFileNotFound) {
  RegistryKey key = nullptr;
  EXPECT_EQ(registry_.OpenKey(root_, L"SOFTWARE\\winreach\\no such key", 0, kKeyRead, &key),
            static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(key, nullptr);
  ASSERT_EQ(registry_.OpenKey(root_, kCurrentVersion, 0, kKeyRead, &key), 0u);
  uint8_t data[16];
  uint32_t size = sizeof data;
  EXPECT_EQ(registry_.QueryValue(key, L"winreach no such value", nullptr, data, &size),
            static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  registry_.CloseKey(key);
}

}  // namespace
}  // namespace winreach
