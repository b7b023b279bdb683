#include "platform/posix/smb/smb_credentials.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

namespace winreach {
namespace {

class CredentialsTest : public ::testing::Test {
 protected:
  SmbCredentials Find() {
    return CredentialsFromEnvironment(
        [this](const char* name) -> const char* {
          const auto it = env_.find(name);
          return it == env_.end() ? nullptr : it->second.c_str();
        },
        [this](const std::string& path) -> std::optional<std::string> {
          const auto it = files_.find(path);
          if (it == files_.end()) return std::nullopt;
          return it->second;
        });
  }
  std::map<std::string, std::string> env_;
  std::map<std::string, std::string> files_;
};

TEST_F(CredentialsTest, LoginNameAloneOffersNothing) {
  env_ = {{"USER", "alice"}, {"LOGNAME", "alice"}};
  const auto c = Find();
  EXPECT_FALSE(c.offered);
  EXPECT_EQ(c.user, "alice");
}

TEST_F(CredentialsTest, UserWithPassword) {
  env_ = {{"USER", "WRTEST\\administrator%s3cr%t"}};
  const auto c = Find();
  EXPECT_TRUE(c.offered);
  EXPECT_EQ(c.domain, "WRTEST");
  EXPECT_EQ(c.user, "administrator");
  EXPECT_EQ(c.password, "s3cr%t");  // only the first % splits
}

TEST_F(CredentialsTest, EmptyPasswordStillCounts) {
  env_ = {{"USER", "bob%"}};
  const auto c = Find();
  EXPECT_TRUE(c.offered);
  EXPECT_EQ(c.password, "");
}

TEST_F(CredentialsTest, PasswdAndPasswdFile) {
  env_ = {{"USER", "dom/carol"}, {"PASSWD", "one"}};
  auto c = Find();
  EXPECT_TRUE(c.offered);
  EXPECT_EQ(c.domain, "dom");
  EXPECT_EQ(c.password, "one");

  env_ = {{"USER", "carol"}, {"PASSWD_FILE", "/p"}};
  files_ = {{"/p", "from-file"}};
  c = Find();
  EXPECT_TRUE(c.offered);
  EXPECT_EQ(c.password, "from-file");

  env_ = {{"USER", "carol"}, {"PASSWD_FILE", "/missing"}};
  EXPECT_FALSE(Find().offered);
}

TEST_F(CredentialsTest, WipeForgetsThePassword) {
  env_ = {{"USER", "u%secret"}};
  auto c = Find();
  c.Wipe();
  EXPECT_TRUE(c.password.empty());
}

TEST(TicketCacheTest, WhereKerberosIsWorthTrying) {
  auto env = [](const char* value) {
    return [value](const char* name) -> const char* {
      return std::string(name) == "KRB5CCNAME" ? value : nullptr;
    };
  };
  auto exists = [](const std::string& path) { return path == "/tmp/krb5cc_1000" || path == "/c"; };
  EXPECT_TRUE(HasTicketCache(env(nullptr), 1000, exists));
  EXPECT_FALSE(HasTicketCache(env(nullptr), 0, exists));
  EXPECT_TRUE(HasTicketCache(env("FILE:/c"), 0, exists));
  EXPECT_FALSE(HasTicketCache(env("FILE:/nope"), 1000, exists));
  EXPECT_TRUE(HasTicketCache(env("/c"), 0, exists));
  EXPECT_TRUE(HasTicketCache(env("KEYRING:persistent:0"), 0, exists));
}

}  // namespace
}  // namespace winreach
