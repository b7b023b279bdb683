// Windows names of servers and files (\\host, \\host\share\path) as the SMB
// session takes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winreach {

// The server of a machine name as the management calls take it: "\\host" or
// "host". Empty when nothing names a server.
std::wstring ServerOfMachineName(std::wstring_view machine);

// A server as the session addresses it, worked out once from the name the
// caller wrote ("\\host" or "host").
struct SmbHost {
  std::string name;  // UTF-8, for the resolver and Kerberos; an IPv6 literal without brackets
  std::string key;   // `name` in lower case: one session per key; empty when nothing names a server
};
SmbHost SmbHostOf(std::wstring_view machine);

// A UNC path split into server, share and the path on the share.
struct UncPath {
  std::wstring server;
  std::wstring share;
  std::wstring path;  // without the leading separator, '\' between parts; may be empty
};
std::optional<UncPath> ParseUncPath(std::wstring_view path);

}  // namespace winreach
