// Whose Kerberos ticket the SMB session logs on with: the default principal
// of the user's ticket cache, the client that every ticket taken from it
// names. libsmbclient's log never names it. Only file caches can be read
// here (the cache types of other processes, KCM and the kernel keyring, need
// the Kerberos library); for the others the principal stays unknown.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace winreach {

// "name@REALM" ("a/b@REALM" for several components) from the bytes of a
// file cache, format version 3 or 4 (big-endian); nullopt for anything else,
// cut short or with lengths that do not fit.
std::optional<std::string> FileCachePrincipal(std::span<const uint8_t> cache);

// The principal of the cache the process's Kerberos uses: KRB5CCNAME's file
// ("FILE:path" or a bare path), else /tmp/krb5cc_<uid>.
std::optional<std::string> ProcessTicketCachePrincipal();

}  // namespace winreach
