#include "platform/win32/services_win32.h"

#include <gtest/gtest.h>

#include "platform/native_types.h"

namespace winreach {
namespace {

// The local service control manager lets any user connect; the empty
// machine name selects it.
TEST(Win32ServicesTest, ConnectsToTheLocalManagerAndCloses) {
  Win32Services services;
  const ServiceHandle manager = services.OpenManager(L"", nullptr, SC_MANAGER_CONNECT);
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(services.Close(manager));
}

TEST(Win32ServicesTest, UnknownDatabaseIsRefusedWithItsReason) {
  Win32Services services;
  EXPECT_EQ(services.OpenManager(L"", L"winreach no such database", SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

}  // namespace
}  // namespace winreach
