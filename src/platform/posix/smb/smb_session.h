// One SMB2/3 connection and one session per server and run, shared by every
// remote area: the pipes (srvsvc, winreg, svcctl) are opened on its IPC$
// tree and the files on other trees of the same session (ADMIN$), so a run
// costs the server one connection and one logon.
//
// Port 445, then 139 (the NetBIOS session service) when 445 is refused, as
// Windows falls back to NetBIOS over TCP. Every wait is bounded by the
// request's time-out and by the run's deadline; no thread, no signal.
//
// The logon, chosen once per server: a Kerberos ticket (with a host name),
// else the password offered, else an anonymous logon; a ticket the server
// does not take falls back to the next of these, before any tree is
// connected. Once a logon has succeeded the identity stays for the run: a
// refused share is not a refused logon.
//
// A server that cannot be reached, or that refuses the logon, is tried
// once: later operations on it fail at once with the same code.
//
// The first connection may be made ahead, on a thread of its own, while the
// run's other checks wait (Prepare), and with it, in one more wait, the pipes
// and shares the checks will open one after the other. Finding or making a
// server's connection is done under one lock, so an operation that comes
// while it is being made waits for it; once made, a connection is used by
// the checks' one thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/smb/smb_conf.h"
#include "platform/posix/smb/smb_credentials.h"
#include "platform/posix/smb/smb_names.h"
#include "platform/posix/smb/smb_socket.h"
#include "platform/session.h"
#include "rpc/pipe_transport.h"
#include "smb/smb2_connection.h"

namespace winreach {

class SmbSession {
 public:
  using Clock = std::chrono::steady_clock;

  // The SMB checks end this long after the run's start, leaving time to
  // print the last lines and close: whatever the servers do, a run ends
  // within a minute.
  static constexpr std::chrono::milliseconds kSmbBudget{56000};
  // How long one request may wait for its answer.
  static constexpr std::chrono::milliseconds kRequestTimeout{10000};
  // How long a connection attempt may take: a silent host costs this once.
  static constexpr std::chrono::milliseconds kConnectTimeout{5000};

  SmbSession();
  ~SmbSession();
  SmbSession(const SmbSession&) = delete;
  SmbSession& operator=(const SmbSession&) = delete;

  // A pipe the checks will open, and the bytes they will first write on it.
  struct PipeAhead {
    std::string_view name;
    std::vector<uint8_t> first;
  };

  // Connects to the server and logs on, as the first operation on it would:
  // 0, or the code with which that operation and every later one fails.
  // Then, in one wait, opens `pipes` with their first transactions and
  // connects `shares`; the operations that later come for them take what
  // came of it, success or refusal, as their own.
  uint32_t Prepare(const SmbHost& host, std::span<const PipeAhead> pipes = {},
                   std::span<const std::u16string_view> shares = {});

  // `pipe` on the server's IPC$: 0, or the Windows code of a failure to
  // reach the server or log on. The pipe itself opens with its first
  // transaction, which returns the code of a failed opening.
  uint32_t OpenPipe(const SmbHost& host, std::string_view pipe,
                    std::unique_ptr<rpc::PipeTransport>* result);

  // Opens an existing file read-only: 0, or the Windows code (67 share
  // missing, 3 folder missing, 2 file missing, 5 refused, 53 unreachable,
  // 1326 logon failure), asking for `access`. `*file` identifies it to
  // CloseFile; never 0.
  uint32_t OpenFile(const UncPath& path, uint32_t access, uint64_t* file);
  void CloseFile(uint64_t file);

  // The first connection that came about, as the session knows it.
  std::optional<SessionFacts> FirstConnection() const {
    const std::lock_guard<std::mutex> lock(reach_mutex_);
    return first_facts_;
  }

 private:
  struct Server;
  struct OpenedFile {
    Server* server;
    uint32_t tree_id;
    smb::FileId id;
  };

  // The server's connection and session, made on first use; nullptr with
  // `*failure` set when it cannot be had.
  Server* Reach(const SmbHost& host, uint32_t* failure);
  Server* ReachLocked(const SmbHost& host, uint32_t* failure);
  void StartAhead(Server& server, std::span<const PipeAhead> pipes,
                  std::span<const std::u16string_view> shares);
  uint32_t Connect(Server& server, const SmbHost& host);
  uint32_t ConnectTransport(Server& server, const SmbHost& host);
  uint32_t LogOn(Server& server, const SmbHost& host);
  // The session's facts once `logon` has succeeded on `server`.
  static SessionFacts FactsOf(const Server& server, const smb::Authenticator& logon,
                              bool credentials_offered);
  // The tree of `share` on the server's session, connected once.
  uint32_t Tree(Server& server, std::u16string_view share, uint32_t* tree_id);
  bool TimeIsUp() const { return Clock::now() >= deadline_; }

  const Clock::time_point deadline_;
  // Held while a server is found or connected: what follows is guarded by it.
  mutable std::mutex reach_mutex_;
  SmbClientConf conf_;
  SmbCredentials credentials_;
  bool ticket_cache_ = false;
  bool loaded_ = false;
  std::map<std::string, std::unique_ptr<Server>> servers_;  // by SmbHost::key
  std::map<uint64_t, OpenedFile> files_;
  uint64_t next_file_ = 1;
  std::optional<SessionFacts> first_facts_;
};

}  // namespace winreach
