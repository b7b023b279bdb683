#include "platform/posix/smb/smb_url.h"

#include <algorithm>
#include <cctype>

#include "platform/posix/utf8.h"

namespace winreach {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Unreserved characters pass; everything else, non-ASCII bytes included, is
// percent-encoded so that no name can add a user, port, share or query.
std::string PercentEncode(std::string_view bytes, bool keep_slash) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                       c == '$' || (keep_slash && c == '/');
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

std::string Encode(std::wstring_view text, bool keep_slash) {
  return PercentEncode(EncodeUtf8(text), keep_slash);
}

}  // namespace

std::wstring ServerOfMachineName(std::wstring_view machine) {
  size_t skip = 0;
  while (skip < 2 && skip < machine.size() && machine[skip] == L'\\') ++skip;
  return std::wstring(machine.substr(skip));
}

std::string SmbHostName(std::wstring_view server) {
  std::wstring host(server);
  if (host.size() > 2 && host.front() == L'[' && host.back() == L']') {
    host = host.substr(1, host.size() - 2);
  }
  if (host.find(L':') != std::wstring::npos) {
    // fd77::2 -> fd77--2.ipv6-literal.net, a zone's '%' becoming 's'.
    std::wstring literal;
    for (wchar_t c : host) {
      const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') ||
                       (c >= L'A' && c <= L'F') || c == L':' || c == L'%' || c == L'.';
      if (!hex) return EncodeUtf8(server);  // not an address: leave it alone
      literal.push_back(c == L':' ? L'-' : c == L'%' ? L's' : c);
    }
    return EncodeUtf8(literal) + ".ipv6-literal.net";
  }
  return EncodeUtf8(host);
}

std::string UrlHost(std::wstring_view server) {
  return PercentEncode(SmbHostName(server), false);
}

SmbHost SmbHostOf(std::wstring_view machine) {
  const std::wstring server = ServerOfMachineName(machine);
  return {SmbHostKey(SmbHostName(server)), UrlHost(server)};
}

std::string SmbHostKey(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

std::string PipeUrl(const SmbHost& host, std::string_view pipe) {
  return "smb://" + host.url + "/IPC$/" + PercentEncode(pipe, false);
}

std::optional<UncPath> ParseUncPath(std::wstring_view path) {
  if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return std::nullopt;
  path.remove_prefix(2);
  const size_t server_end = path.find_first_of(L"\\/");
  if (server_end == 0 || server_end == std::wstring_view::npos) return std::nullopt;
  UncPath unc;
  unc.server = std::wstring(path.substr(0, server_end));
  path.remove_prefix(server_end + 1);
  const size_t share_end = path.find_first_of(L"\\/");
  unc.share = std::wstring(path.substr(0, share_end));
  if (unc.share.empty()) return std::nullopt;
  if (share_end != std::wstring_view::npos) unc.path = std::wstring(path.substr(share_end + 1));
  for (wchar_t& c : unc.path) {
    if (c == L'\\') c = L'/';
  }
  return unc;
}

std::string FileUrl(const UncPath& path) {
  // Appended piece by piece: GCC 12 at -O3 misreads "literal" + std::string
  // as an overlapping copy (-Wrestrict) and the release build stops.
  std::string url = "smb://";
  url += UrlHost(path.server);
  url += '/';
  url += Encode(path.share, false);
  if (!path.path.empty()) {
    url += '/';
    url += Encode(path.path, true);
  }
  return url;
}

std::string ParentFolderUrl(const UncPath& path) {
  UncPath parent = path;
  const size_t slash = parent.path.rfind(L'/');
  parent.path = slash == std::wstring::npos ? L"" : parent.path.substr(0, slash);
  return FileUrl(parent);
}

}  // namespace winreach
