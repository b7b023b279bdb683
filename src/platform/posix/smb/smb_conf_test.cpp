#include "platform/posix/smb/smb_conf.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

using smb::ClientSettings;
using smb::Dialect;

TEST(SmbConfTest, ClientKeysOfTheGlobalSection) {
  const struct {
    const char* text;
    Dialect min, max;
    ClientSettings::Signing signing;
    ClientSettings::Encryption encryption;
    bool smb1_only;
    SmbClientConf::Kerberos kerberos;
    const char* workgroup;
  } cases[] = {
      {"", Dialect::k202, Dialect::k311, ClientSettings::Signing::kDesired,
       ClientSettings::Encryption::kIfRequired, false, SmbClientConf::Kerberos::kDesired,
       "WORKGROUP"},
      {"[global]\n  Client Max Protocol = SMB3_02\n\tclient_min_protocol=smb3\n"
       "CLIENT SIGNING = Mandatory\nclient smb encrypt = desired\nworkgroup = lab\n"
       "client use kerberos = off\n",
       Dialect::k300, Dialect::k302, ClientSettings::Signing::kRequired,
       ClientSettings::Encryption::kDesired, false, SmbClientConf::Kerberos::kOff, "LAB"},
      // Keys before any section are global; other sections are a share's.
      {"client signing = disabled\n[share]\nclient signing = required\nworkgroup = other\n"
       "[Global]\nclient smb encrypt = required\n",
       Dialect::k202, Dialect::k311, ClientSettings::Signing::kDisabled,
       ClientSettings::Encryption::kRequired, false, SmbClientConf::Kerberos::kDesired,
       "WORKGROUP"},
      // SMB1 is never offered: a range from it starts at 2.0.2.
      {"client min protocol = NT1\nclient max protocol = SMB2\n", Dialect::k202, Dialect::k210,
       ClientSettings::Signing::kDesired, ClientSettings::Encryption::kIfRequired, false,
       SmbClientConf::Kerberos::kDesired, "WORKGROUP"},
      {"client max protocol = NT1\n", Dialect::k202, Dialect::k311,
       ClientSettings::Signing::kDesired, ClientSettings::Encryption::kIfRequired, true,
       SmbClientConf::Kerberos::kDesired, "WORKGROUP"},
      // Comments, unknown values and lines without '=' change nothing.
      {"# client signing = required\n; workgroup = x\nclient max protocol = SMB9\n"
       "client signing = sometimes\nclient smb encrypt\n",
       Dialect::k202, Dialect::k311, ClientSettings::Signing::kDesired,
       ClientSettings::Encryption::kIfRequired, false, SmbClientConf::Kerberos::kDesired,
       "WORKGROUP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SmbClientConf conf = ParseSmbClientConf(c.text);
    EXPECT_EQ(conf.settings.min_dialect, c.min);
    EXPECT_EQ(conf.settings.max_dialect, c.max);
    EXPECT_EQ(conf.settings.signing, c.signing);
    EXPECT_EQ(conf.settings.encryption, c.encryption);
    EXPECT_EQ(conf.smb1_only, c.smb1_only);
    EXPECT_EQ(conf.kerberos, c.kerberos);
    EXPECT_EQ(conf.workgroup, c.workgroup);
  }
}

}  // namespace
}  // namespace winreach
