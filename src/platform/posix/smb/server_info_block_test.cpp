#include "platform/posix/smb/server_info_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/native_types.h"

namespace winreach {
namespace {

using rpc::ServerInfoField;

ServerInfoField Number(uint32_t n) { return {false, n, {}, false}; }
ServerInfoField Text(std::u16string text) { return {true, 0, std::move(text), true}; }
ServerInfoField NullText() { return {true, 0, {}, false}; }

TEST(ServerInfoBlockTest, Level101InThePlatformsLayout) {
  const std::vector<ServerInfoField> fields = {Number(500), Text(u"TESTHOST"), Number(6),
                                               Number(1),   Number(0x809a03), Text(u"c")};
  uint8_t* block = NewServerInfoBlock(101, fields);
  ASSERT_NE(block, nullptr);
  const auto* info = reinterpret_cast<const SERVER_INFO_101*>(block);
  EXPECT_EQ(info->sv101_platform_id, 500u);
  EXPECT_EQ(std::wstring(info->sv101_name), L"TESTHOST");
  EXPECT_EQ(info->sv101_version_major, 6u);
  EXPECT_EQ(info->sv101_version_minor, 1u);
  EXPECT_EQ(info->sv101_type, 0x809a03u);
  EXPECT_EQ(std::wstring(info->sv101_comment), L"c");
  DeleteServerInfoBlock(block);
}

TEST(ServerInfoBlockTest, Level503AndANullString) {
  std::vector<ServerInfoField> fields;
  for (int i = 0; i < 42; ++i) fields.push_back(i == 18 ? NullText() : Number(i));
  uint8_t* block = NewServerInfoBlock(503, fields);
  ASSERT_NE(block, nullptr);
  const auto* info = reinterpret_cast<const SERVER_INFO_503*>(block);
  EXPECT_EQ(info->sv503_sessopens, 0u);
  EXPECT_EQ(info->sv503_lmannounce, 17);
  EXPECT_EQ(info->sv503_domain, nullptr);
  EXPECT_EQ(info->sv503_maxcopyreadlen, 19u);
  EXPECT_EQ(info->sv503_maxfreeconnections, 41u);
  DeleteServerInfoBlock(block);
}

TEST(ServerInfoBlockTest, Level102UserPathIsTheLastField) {
  std::vector<ServerInfoField> fields = {Number(500), Text(u"N"), Number(6), Number(1),
                                         Number(3),   Text(u""),  Number(7), Number(8),
                                         Number(0),   Number(9),  Number(10), Number(11),
                                         Text(u"C:\\")};
  uint8_t* block = NewServerInfoBlock(102, fields);
  ASSERT_NE(block, nullptr);
  const auto* info = reinterpret_cast<const SERVER_INFO_102*>(block);
  EXPECT_EQ(info->sv102_users, 7u);
  EXPECT_EQ(info->sv102_licenses, 11u);
  EXPECT_EQ(std::wstring(info->sv102_comment), L"");
  EXPECT_EQ(std::wstring(info->sv102_userpath), L"C:\\");
  DeleteServerInfoBlock(block);
}

TEST(ServerInfoBlockTest, FieldsThatDoNotMatchTheLevelGiveNoBlock) {
  EXPECT_EQ(NewServerInfoBlock(100, {Number(1)}), nullptr);
  EXPECT_EQ(NewServerInfoBlock(100, {Text(u"x"), Number(1)}), nullptr);
  EXPECT_EQ(NewServerInfoBlock(7, {}), nullptr);
}

}  // namespace
}  // namespace winreach
