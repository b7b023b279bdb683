// The client keys of the system's smb.conf that an administrator sets for
// Samba's tools and that keep their meaning here: the protocol range,
// signing, encryption, Kerberos, and the workgroup a name without a domain
// logs on to. Every other key, and every other section, is ignored.
#pragma once

#include <string>
#include <string_view>

#include "smb/smb2_connection.h"

namespace winreach {

struct SmbClientConf {
  smb::ClientSettings settings;
  // The highest dialect allowed is below SMB 2.0.2: no dialect of ours is.
  bool smb1_only = false;
  enum class Kerberos { kOff, kDesired, kRequired };
  Kerberos kerberos = Kerberos::kDesired;
  std::string workgroup = "WORKGROUP";
};

// Reads smb.conf's text; what does not parse keeps its default.
SmbClientConf ParseSmbClientConf(std::string_view text);

// /etc/samba/smb.conf (inside a network namespace, the namespace's own, as
// "ip netns exec" binds it); the defaults when it cannot be read.
SmbClientConf LoadSmbClientConf();

}  // namespace winreach
