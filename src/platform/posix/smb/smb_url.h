// From Windows names (\\host, \\host\share\path) to libsmbclient URLs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winreach {

// The server of a machine name as the management calls take it: "\\host" or
// "host". Empty when nothing names a server.
std::wstring ServerOfMachineName(std::wstring_view machine);

// The server's name as libsmbclient knows it once the URL is decoded: UTF-8,
// an IPv6 literal in the ipv6-literal.net form libsmbclient takes.
std::string SmbHostName(std::wstring_view server);

// The host part of an smb:// URL for a server: SmbHostName with every byte
// that could end or change the URL's host part percent-encoded.
std::string UrlHost(std::wstring_view server);

// A server as the session addresses it, worked out once from the name the
// caller wrote ("\\host" or "host").
struct SmbHost {
  std::string key;  // SmbHostName in lower case; empty when nothing names a server
  std::string url;  // UrlHost
};
SmbHost SmbHostOf(std::wstring_view machine);

// The lower-case form of a host name that the session keys servers by.
std::string SmbHostKey(std::string name);

// smb://host/IPC$/<pipe>
std::string PipeUrl(const SmbHost& host, std::string_view pipe);

// A UNC path split into server, share and the path on the share.
struct UncPath {
  std::wstring server;
  std::wstring share;
  std::wstring path;  // without the leading separator; may be empty
};
std::optional<UncPath> ParseUncPath(std::wstring_view path);

// smb://host/share/path, each component percent-encoded.
std::string FileUrl(const UncPath& path);

// The URL of the folder that holds the file (smb://host/share/dir).
std::string ParentFolderUrl(const UncPath& path);

}  // namespace winreach
