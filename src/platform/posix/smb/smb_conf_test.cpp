#include "platform/posix/smb/smb_conf.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

using smb::Dialect;
using Signing = smb::ClientSettings::Signing;
using Encryption = smb::ClientSettings::Encryption;

TEST(SmbConfTest, ClientKeysOfTheGlobalSection) {
  const struct {
    const char* text;
    Dialect min, max;
    Signing signing;
    Encryption encryption;
    bool smb1_only;
  } cases[] = {
      {"", Dialect::k202, Dialect::k311, Signing::kDesired, Encryption::kIfRequired, false},
      {"[global]\n  Client Max Protocol = SMB3_02\n\tclient_min_protocol=smb3\n"
       "CLIENT SIGNING = Mandatory\nclient smb encrypt = desired\n",
       Dialect::k300, Dialect::k302, Signing::kRequired, Encryption::kDesired, false},
      // Keys before any section are global; other sections are shares.
      {"client signing = disabled\n[share]\nclient signing = required\n"
       "[ Global ]\nclient smb encrypt = required\n",
       Dialect::k202, Dialect::k311, Signing::kDisabled, Encryption::kRequired, false},
      // SMB1 is never offered: a range from it starts at 2.0.2.
      {"client min protocol = NT1\nclient max protocol = SMB2\n", Dialect::k202, Dialect::k210,
       Signing::kDesired, Encryption::kIfRequired, false},
      {"client max protocol = NT1\n", Dialect::k202, Dialect::k311, Signing::kDesired,
       Encryption::kIfRequired, true},
      // Comments, unknown values and lines without '=' change nothing.
      {"# client signing = required\n; client signing = disabled\n"
       "client max protocol = SMB9\nclient signing = sometimes\nclient smb encrypt\n",
       Dialect::k202, Dialect::k311, Signing::kDesired, Encryption::kIfRequired, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SmbClientConf conf = ParseSmbClientConf(c.text);
    EXPECT_EQ(conf.settings.min_dialect, c.min);
    EXPECT_EQ(conf.settings.max_dialect, c.max);
    EXPECT_EQ(conf.settings.signing, c.signing);
    EXPECT_EQ(conf.settings.encryption, c.encryption);
    EXPECT_EQ(conf.smb1_only, c.smb1_only);
  }
}

}  // namespace
}  // namespace winreach
