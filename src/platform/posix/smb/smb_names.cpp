#include "platform/posix/smb/smb_names.h"

#include <algorithm>
#include <cctype>

#include "platform/posix/utf8.h"

namespace winreach {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring ServerOfMachineName(std::wstring_view machine) {
  size_t skip = 0;
  while (skip < 2 && skip < machine.size() && machine[skip] == L'\\') ++skip;
  return std::wstring(machine.substr(skip));
}

SmbHost SmbHostOf(std::wstring_view machine) {
  std::wstring server = ServerOfMachineName(machine);
  if (server.size() > 2 && server.front() == L'[' && server.back() == L']') {
    server = server.substr(1, server.size() - 2);
  }
  SmbHost host;
  host.name = EncodeUtf8(server);
  host.key = host.name;
  std::transform(host.key.begin(), host.key.end(), host.key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return host;
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
  std::replace(unc.path.begin(), unc.path.end(), L'/', L'\\');
  return unc;
}

}  // namespace winreach
