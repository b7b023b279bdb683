#include "checks/server_info.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

TEST(ServerInfoTest, EveryLevelAnsweredGivesFourSuccessLinesInOrder) {
  FakePlatform platform;
  for (uint32_t level : {100u, 101u, 102u, 503u}) platform.management_.answers[level] = {0, true};
  CheckServerInfo(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(),
            L"NetServerGetInfo level 100 OK!\n"
            L"NetServerGetInfo level 101 OK!\n"
            L"NetServerGetInfo level 102 OK!\n"
            L"NetServerGetInfo level 503 OK!\n");
  ASSERT_EQ(platform.management_.calls.size(), 4u);
  for (const auto& [server, level] : platform.management_.calls) EXPECT_EQ(server, L"\\\\srv01");
  EXPECT_EQ(platform.management_.freed.size(), 4u);
  EXPECT_TRUE(platform.management_.outstanding.empty());
}

TEST(ServerInfoTest, EachLevelStandsOnItsOwn) {
  FakePlatform platform;
  platform.management_.answers[100] = {0, true};
  platform.management_.answers[101] = {0, true};
  platform.management_.answers[102] = {5, false};
  platform.management_.answers[503] = {124, false};
  CheckServerInfo(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(),
            L"NetServerGetInfo level 100 OK!\n"
            L"NetServerGetInfo level 101 OK!\n"
            L"NetServerGetInfo level 102 failed! Error 00000005\n"
            L"NetServerGetInfo level 503 failed! Error 0000007C\n");
  EXPECT_EQ(platform.management_.freed.size(), 2u);
}

TEST(ServerInfoTest, SuccessIsTheBlockNotTheStatus) {
  FakePlatform platform;
  platform.management_.answers[100] = {234, true};  // a status, and a block all the same
  platform.management_.answers[101] = {0, false};   // status 0 without a block
  platform.management_.answers[102] = {0, true};
  platform.management_.answers[503] = {0, true};
  CheckServerInfo(platform, L"\\\\srv01");
  EXPECT_EQ(platform.console_.Output(),
            L"NetServerGetInfo level 100 OK!\n"
            L"NetServerGetInfo level 101 failed! Error 00000000\n"
            L"NetServerGetInfo level 102 OK!\n"
            L"NetServerGetInfo level 503 OK!\n");
  // Each block freed exactly once, none for the level without one.
  EXPECT_EQ(platform.management_.freed.size(), 3u);
  EXPECT_TRUE(platform.management_.outstanding.empty());
}

TEST(ServerInfoTest, UnreachableTargetStillGetsAllFourCalls) {
  FakePlatform platform;  // no answers: every level fails with 53
  CheckServerInfo(platform, L"\\\\10.1.2.3");
  EXPECT_EQ(platform.management_.calls.size(), 4u);
  EXPECT_EQ(platform.console_.Output(),
            L"NetServerGetInfo level 100 failed! Error 00000035\n"
            L"NetServerGetInfo level 101 failed! Error 00000035\n"
            L"NetServerGetInfo level 102 failed! Error 00000035\n"
            L"NetServerGetInfo level 503 failed! Error 00000035\n");
  EXPECT_TRUE(platform.management_.freed.empty());
}

}  // namespace
}  // namespace winreach
