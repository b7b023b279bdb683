// One SMB client context per run, shared by every remote area: pipes on the
// server's IPC$ and read-only files on its shares. libsmbclient's
// per-context API only; port 445, then 139 when 445 is refused; explicit
// time-outs; never a prompt.
//
// libsmbclient holds one share per connection, so ADMIN$ takes a connection
// and a logon of its own beside IPC$. Its "one share per server" option is
// no way out: when it switches a connection to another share it connects
// again the share the connection was made for (Samba 4.17), and the file is
// then looked for on IPC$.
//
// A server that cannot be reached, or that refuses the logon, is tried once:
// later operations on it fail at once with the same code. Once a logon has
// succeeded the identity stays for the run: a refused share is not a
// refused logon.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/posix/smb/smb_credentials.h"
#include "platform/posix/smb/smb_deadline.h"
#include "platform/posix/smb/smb_session_facts.h"
#include "platform/posix/smb/smb_url.h"

struct _SMBCCTX;
struct _SMBCFILE;
struct _SMBCSRV;

namespace winreach {

// How long one SMB request may take before it counts as lost.
inline constexpr int kSmbTimeoutMs = 10000;

class SmbPipe;

class SmbSession {
 public:
  SmbSession();
  ~SmbSession();
  SmbSession(const SmbSession&) = delete;
  SmbSession& operator=(const SmbSession&) = delete;

  // Opens smb://server/IPC$/<pipe> for reading and writing: 0, or the
  // Windows code of the failure.
  uint32_t OpenPipe(const SmbHost& host, std::string_view pipe, std::unique_ptr<SmbPipe>* result);

  // Opens an existing file read-only: 0, or the Windows code (67 share
  // missing, 3 folder missing, 2 file missing, 5 refused, 53 unreachable,
  // 1326 logon failure).
  uint32_t OpenFile(const UncPath& path, _SMBCFILE** result);
  void CloseFile(_SMBCFILE* file);

  _SMBCCTX* context() { return context_; }

  // True once the SMB checks' share of the run's time is used up: every
  // operation then fails at once with ERROR_SEM_TIMEOUT, or with the
  // failure already seen on the server.
  bool TimeIsUp() const { return deadline_.Passed(); }

  // What the log told of the connections made so far.
  const SmbConnectionLog& connection_log() const { return connection_log_; }

 private:
  enum class Logon { kKerberos, kCredentials, kAnonymous };

  struct Server {
    uint32_t failure = 0;           // non-zero: not to be tried again
    std::set<std::string> shares;  // shares connected at least once
    int port = 445;                 // 139 once 445 has been refused
  };

  bool EnsureContext();
  // Before an operation that may wait for the server: false when no time
  // is left; otherwise new connections get no more than what is left.
  bool TakeTime();
  void ApplyLogon(const std::string& host);
  // Opens `url` on `share` of `host`; on failure `*error` holds errno and
  // `*connected` says whether the share's connection had come about.
  _SMBCFILE* Open(const std::string& host, const std::string& share, const std::string& url,
                  int flags, int* error, bool* connected);
  // Makes sure the server takes our logon, by opening and closing a pipe:
  // 0, or the server's failure code.
  uint32_t ProbeServer(const SmbHost& host);

  static void Authenticate(_SMBCCTX* context, const char* server, const char* share,
                           char* workgroup, int workgroup_size, char* user, int user_size,
                           char* password, int password_size);
  static void Log(void* session, int level, const char* message);
  static int AddCachedServer(_SMBCCTX* context, _SMBCSRV* server, const char* name,
                             const char* share, const char* workgroup, const char* user);

  // Made with the platform, at the start of the run; it outlives the
  // context, whose shutdown it also bounds.
  SmbDeadline deadline_;
  _SMBCCTX* context_ = nullptr;
  bool context_failed_ = false;
  int (*add_cached_server_)(_SMBCCTX*, _SMBCSRV*, const char*, const char*, const char*,
                            const char*) = nullptr;
  SmbCredentials credentials_;
  bool ticket_cache_ = false;
  std::optional<std::string> ticket_principal_;  // the file cache's, read once
  Logon logon_ = Logon::kAnonymous;
  bool kerberos_now_ = false;  // Kerberos is tried for the current open
  uint32_t nt_status_ = 0;     // the last NT status libsmbclient's log told
  std::map<std::string, Server> servers_;  // by lower-case host name
  SmbConnectionLog connection_log_;
};

}  // namespace winreach
