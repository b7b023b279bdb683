// Whose identity the SMB session carries, found as Samba's client tools find
// it: a Kerberos ticket cache; USER ("[domain\]user[%password]"), PASSWD and
// PASSWD_FILE; otherwise an anonymous logon. Nothing is ever prompted for.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace winreach {

struct SmbCredentials {
  // A password came from the environment (an empty one counts): a logon that
  // fails with it is a logon failure, never an anonymous success.
  bool offered = false;
  std::string domain;
  std::string user;      // also the name given with a Kerberos ticket
  std::string password;  // wiped by Wipe() once the session is done with it

  void Wipe();
};

// The environment as a function, so that tests can script it.
using GetEnv = std::function<const char*(const char*)>;
// The first line of a file, without its line end; nullopt when unreadable.
using ReadFirstLine = std::function<std::optional<std::string>(const std::string&)>;

SmbCredentials CredentialsFromEnvironment(const GetEnv& getenv, const ReadFirstLine& read);

// The file of the ticket cache the process's Kerberos uses: KRB5CCNAME's
// "FILE:path" or bare path, else the default /tmp/krb5cc_<uid>; nullopt when
// KRB5CCNAME names a cache of another type (DIR:, KEYRING:, KCM:).
std::optional<std::string> TicketCacheFile(const GetEnv& getenv, unsigned uid);

// Whether the user has a Kerberos ticket cache worth trying: KRB5CCNAME
// names one (a file that exists, or a cache type we cannot look into), or the
// default file cache /tmp/krb5cc_<uid> exists.
bool HasTicketCache(const GetEnv& getenv, unsigned uid,
                    const std::function<bool(const std::string&)>& file_exists);

// The real environment and file system.
SmbCredentials CredentialsFromProcess();
bool ProcessHasTicketCache();

}  // namespace winreach
