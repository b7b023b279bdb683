#include "checks/admin_share_and_scm.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

TEST(AdminShareTest, PathForANameAndForAnAddress) {
  EXPECT_EQ(AdminSharePath(L"\\\\srv01"), L"\\\\srv01\\ADMIN$\\system32\\ntoskrnl.exe");
  EXPECT_EQ(AdminSharePath(L"\\\\10.1.2.3"), L"\\\\10.1.2.3\\ADMIN$\\system32\\ntoskrnl.exe");
}

TEST(AdminShareTest, OpensReadOnlyAndClosesOnce) {
  FakePlatform platform;
  CheckAdminShare(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(), L"Remote access to the ADMIN$ share OK!\n");
  ASSERT_EQ(platform.files_.opens.size(), 1u);
  const auto& open = platform.files_.opens[0];
  EXPECT_EQ(open.path, L"\\\\srv01\\ADMIN$\\system32\\ntoskrnl.exe");
  EXPECT_EQ(open.access, 0x80000000u);
  EXPECT_EQ(open.share_mode, 3u);
  EXPECT_EQ(open.disposition, 3u);
  EXPECT_EQ(open.flags, 0u);
  EXPECT_EQ(platform.files_.closed, platform.files_.handed_out);
}

TEST(AdminShareTest, RefusalPrintsTheLastErrorAndClosesNothing) {
  FakePlatform platform;
  platform.files_.open_all = false;
  platform.files_.missing_error = 5;
  CheckAdminShare(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(), L"Remote access to the ADMIN$ share failed! Error 00000005\n");
  EXPECT_TRUE(platform.files_.closed.empty());
}

TEST(ServiceManagerTest, FullAccessOnTheDefaultDatabaseClosedOnce) {
  FakePlatform platform;
  CheckServiceManager(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(), L"Connection to the SCM is OK!\n");
  ASSERT_EQ(platform.services_.opens.size(), 1u);
  EXPECT_EQ(platform.services_.opens[0].machine, L"\\\\srv01");
  EXPECT_TRUE(platform.services_.opens[0].database_null);
  EXPECT_EQ(platform.services_.opens[0].access, 0x10000000u);
  EXPECT_EQ(platform.services_.closed, platform.services_.handed_out);
}

TEST(ServiceManagerTest, RefusalPrintsTheLastErrorAndClosesNothing) {
  FakePlatform platform;
  platform.services_.open_error = 5;
  CheckServiceManager(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(), L"Unable to connect to the SCM! Error 00000005\n");
  EXPECT_TRUE(platform.services_.closed.empty());
}

TEST(ServiceManagerTest, RunsAfterAFailedShareCheck) {
  FakePlatform platform;
  platform.files_.open_all = false;
  platform.files_.missing_error = 53;
  platform.services_.open_error = 1722;
  CheckAdminShare(platform, L"\\\\srv01");
  CheckServiceManager(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(),
            L"Remote access to the ADMIN$ share failed! Error 00000035\n"
            L"Unable to connect to the SCM! Error 000006BA\n");
}

}  // namespace
}  // namespace winreach
