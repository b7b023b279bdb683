#include "platform/posix/smb/smb_session.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <libsmbclient.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/posix/smb/smb_errors.h"
#include "platform/posix/smb/smb_pipe.h"
#include "platform/posix/smb/smb_status_log.h"
#include "platform/posix/smb/ticket_cache_principal.h"
#include "platform/posix/utf8.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

constexpr char kIpcShare[] = "IPC$";
constexpr int kSmbPort = 445;
constexpr int kNetbiosSessionPort = 139;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool IsAddress(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 ||
         host.find(".ipv6-literal.net") != std::string::npos;
}

// The server could not be reached at all, or would not speak a dialect of
// ours: trying another logon would only wait again. (A Kerberos logon that
// fails reports EACCES or EINVAL.)
bool IsNetworkError(int error) {
  switch (error) {
    case ECONNABORTED:
    case ECONNREFUSED:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ECONNRESET:
      return true;
    default:
      return false;
  }
}

// Copies `text` into a callback's buffer, cut to fit with its terminator.
void Fill(char* buffer, int size, const std::string& text) {
  if (size <= 0) return;
  const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// Settings laid over the system's smb.conf for this process. Names are
// resolved by the system resolver alone, as for the rest of the run, so that
// every check talks to the address the report printed: no NetBIOS broadcast,
// no WINS, no lmhosts. And Samba's shared name cache (gencache.tdb in the
// lock directory) is neither read nor written: a stale entry left by another
// program would send the checks to a computer's old address for minutes, and
// this tool keeps no state of its own. /dev/null cannot hold a file, so the
// cache cannot be opened.
constexpr char kClientSettings[] =
    "[global]\n"
    "name resolve order = host\n"
    "lock directory = /dev/null\n"
    "cache directory = /dev/null\n";

// Loads kClientSettings on top of the configuration already loaded. The
// settings never touch the disk: they are read from an anonymous memory file.
// Without /proc (or memfd) the system's settings stay as they are.
void ApplyClientSettings(SMBCCTX* context) {
  const int fd = memfd_create("winreach-smb.conf", MFD_CLOEXEC);
  if (fd < 0) return;
  const ssize_t written = write(fd, kClientSettings, sizeof kClientSettings - 1);
  if (written == static_cast<ssize_t>(sizeof kClientSettings - 1)) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    smbc_setConfiguration(context, path.c_str());
  }
  close(fd);
}

}  // namespace

SmbSession::SmbSession() : deadline_(SmbDeadline::Clock::now() + SmbDeadline::kSmbBudget) {}

SmbSession::~SmbSession() {
  if (context_ != nullptr) smbc_free_context(context_, 1);
  credentials_.Wipe();
}

bool SmbSession::EnsureContext() {
  if (context_ != nullptr) return true;
  if (context_failed_) return false;
  credentials_ = CredentialsFromProcess();
  ticket_cache_ = ProcessHasTicketCache();
  if (ticket_cache_) ticket_principal_ = ProcessTicketCachePrincipal();
  logon_ = ticket_cache_ ? Logon::kKerberos
                         : credentials_.offered ? Logon::kCredentials : Logon::kAnonymous;

  SMBCCTX* context = smbc_new_context();
  if (context == nullptr) {
    context_failed_ = true;
    return false;
  }
  smbc_setOptionUserData(context, this);
  smbc_setLogCallback(context, this, Log);
  smbc_setDebug(context, 0);
  smbc_setFunctionAuthDataWithContext(context, Authenticate);
  // A refused logon stays refused: never silently anonymous instead.
  smbc_setOptionNoAutoAnonymousLogin(context, 1);
  smbc_setOptionUseCCache(context, 0);  // no winbind cache: only what we choose
  smbc_setPort(context, kSmbPort);
  smbc_setTimeout(context, kSmbTimeoutMs);
  if (smbc_init_context(context) == nullptr) {
    smbc_free_context(context, 0);
    context_failed_ = true;
    return false;
  }
  ApplyClientSettings(context);
  // Only now, with the callback in place and every configuration loaded, is
  // the log made detailed enough to name the server's status.
  smbc_setLogCallback(context, this, Log);
  smbc_setDebug(context, kNtStatusLogLevel);
  // Learn of every connection that comes about, to tell a failure to
  // connect from a failure on a connected share.
  add_cached_server_ = smbc_getFunctionAddCachedServer(context);
  smbc_setFunctionAddCachedServer(context, AddCachedServer);
  context_ = context;
  return true;
}

bool SmbSession::TakeTime() {
  if (deadline_.Passed()) return false;
  deadline_.Arm();
  smbc_setTimeout(context_, deadline_.MillisecondsLeft(kSmbTimeoutMs));
  return true;
}

void SmbSession::ApplyLogon(const std::string& host) {
  // Kerberos needs a host name: with an address it is skipped.
  kerberos_now_ = logon_ == Logon::kKerberos && !IsAddress(host);
  smbc_setOptionUseKerberos(context_, kerberos_now_ ? 1 : 0);
  smbc_setOptionFallbackAfterKerberos(context_, kerberos_now_ && credentials_.offered ? 1 : 0);
}

void SmbSession::Authenticate(SMBCCTX* context, const char*, const char*, char* workgroup,
                              int workgroup_size, char* user, int user_size, char* password,
                              int password_size) {
  auto* session = static_cast<SmbSession*>(smbc_getOptionUserData(context));
  const SmbCredentials& credentials = session->credentials_;
  // A name with the ticket, or the offered password; otherwise nobody.
  if (session->kerberos_now_ || credentials.offered) {
    if (!credentials.domain.empty()) Fill(workgroup, workgroup_size, credentials.domain);
    Fill(user, user_size, credentials.user);
    Fill(password, password_size, credentials.offered ? credentials.password : "");
  } else {
    Fill(user, user_size, "");
    Fill(password, password_size, "");
  }
}

// libsmbclient's log: only the NT status behind a failure is kept; the rest
// is dropped whole, so that nothing it might say about a logon ever reaches
// a terminal or a file.
void SmbSession::Log(void* session, int, const char* message) {
  if (session == nullptr || message == nullptr) return;
  if (const auto status = NtStatusFromLog(message)) {
    static_cast<SmbSession*>(session)->nt_status_ = *status;
  }
  static_cast<SmbSession*>(session)->connection_log_.Read(message);
}

int SmbSession::AddCachedServer(SMBCCTX* context, SMBCSRV* server, const char* name,
                                const char* share, const char* workgroup, const char* user) {
  auto* session = static_cast<SmbSession*>(smbc_getOptionUserData(context));
  if (name != nullptr && share != nullptr) {
    session->servers_[SmbHostKey(name)].shares.insert(Upper(share));
  }
  // The logon we asked for, and whether credentials were there to be used.
  const LogonMethod chosen =
      session->kerberos_now_ ? (session->credentials_.offered ? LogonMethod::kUnknown
                                                              : LogonMethod::kKerberos)
      : session->credentials_.offered ? LogonMethod::kNtlm
                                      : LogonMethod::kAnonymous;
  session->connection_log_.Established(
      chosen,
      session->ticket_cache_ || session->credentials_.offered ||
          !session->credentials_.domain.empty(),
      session->kerberos_now_ ? session->ticket_principal_ : std::nullopt);
  return session->add_cached_server_(context, server, name, share, workgroup, user);
}

SMBCFILE* SmbSession::Open(const std::string& host, const std::string& share,
                           const std::string& url, int flags, int* error, bool* connected) {
  ApplyLogon(host);
  Server& server = servers_[host];
  smbc_setPort(context_, server.port);
  nt_status_ = 0;
  errno = 0;
  SMBCFILE* file = smbc_getFunctionOpen(context_)(context_, url.c_str(), flags, 0);
  *error = file != nullptr ? 0 : (errno != 0 ? errno : EIO);
  *connected = server.shares.count(Upper(share)) != 0;
  if (file != nullptr || *connected) return file;
  if (*error == ECONNREFUSED && server.port == kSmbPort) {
    // The host answered that nothing listens on 445: as Windows does, try
    // the NetBIOS session service. A silent host is not tried twice.
    server.port = kNetbiosSessionPort;
    return Open(host, share, url, flags, error, connected);
  }
  if (kerberos_now_ && !credentials_.offered && !IsNetworkError(*error) &&
      Upper(share) == kIpcShare && server.shares.empty()) {
    // The ticket did not take on IPC$, which every server offers to every
    // logon, and nothing else was offered: the anonymous logon is the next
    // in line, tried once. A share refused after a good logon is only that.
    logon_ = Logon::kAnonymous;
    return Open(host, share, url, flags, error, connected);
  }
  return file;
}

uint32_t SmbSession::OpenPipe(const SmbHost& host, std::string_view pipe,
                              std::unique_ptr<SmbPipe>* result) {
  result->reset();
  if (host.key.empty()) return status::kBadNetPath;
  if (const uint32_t failure = servers_[host.key].failure; failure != 0) return failure;
  if (!EnsureContext()) return status::kNotEnoughMemory;
  if (!TakeTime()) return status::kSemTimeout;
  int error = 0;
  bool connected = false;
  SMBCFILE* file = Open(host.key, kIpcShare, PipeUrl(host, pipe), O_RDWR, &error, &connected);
  if (file != nullptr) {
    *result = std::make_unique<SmbPipe>(*this, file);
    return 0;
  }
  if (TimeIsUp()) return status::kSemTimeout;
  if (connected) return PipeOpenErrorCode(error);
  // The server could not be reached or would not take the logon: so it
  // stays for the rest of the run.
  const uint32_t failure = ConnectionErrorCode(error, credentials_.offered, nt_status_);
  servers_[host.key].failure = failure;
  return failure;
}

uint32_t SmbSession::ProbeServer(const SmbHost& host) {
  std::unique_ptr<SmbPipe> pipe;
  const uint32_t status = OpenPipe(host, "srvsvc", &pipe);
  // Connected to IPC$ is all we wanted to know.
  return servers_[host.key].shares.count(kIpcShare) != 0 ? 0 : status;
}

uint32_t SmbSession::OpenFile(const UncPath& path, SMBCFILE** result) {
  *result = nullptr;
  const SmbHost smb_host = SmbHostOf(path.server);
  const std::string& host = smb_host.key;
  if (host.empty()) return status::kBadNetPath;
  if (const uint32_t failure = servers_[host].failure; failure != 0) return failure;
  if (!EnsureContext()) return status::kNotEnoughMemory;
  if (!TakeTime()) return status::kSemTimeout;
  const std::string share = EncodeUtf8(path.share);
  int error = 0;
  bool connected = false;
  // Read-only, and never created: O_RDONLY without O_CREAT.
  SMBCFILE* file = Open(host, share, FileUrl(path), O_RDONLY, &error, &connected);
  uint32_t nt_status = nt_status_;
  if (file == nullptr && !connected && servers_[host].shares.empty()) {
    // Nothing connected yet: IPC$ decides whether the logon is taken (and a
    // ticket that is not falls back to the anonymous logon there), then the
    // share is asked again with the logon that stands.
    const Logon before = logon_;
    if (ProbeServer(smb_host) == 0 && logon_ != before) {
      file = Open(host, share, FileUrl(path), O_RDONLY, &error, &connected);
      nt_status = nt_status_;
    }
  }
  if (file != nullptr) {
    *result = file;
    return 0;
  }
  if (TimeIsUp()) return status::kSemTimeout;
  if (connected) {
    bool folder_exists = true;
    if (error == ENOENT) {
      struct stat st;
      folder_exists = smbc_getFunctionStat(context_)(context_, ParentFolderUrl(path).c_str(),
                                                     &st) == 0 &&
                      S_ISDIR(st.st_mode);
    }
    if (TimeIsUp()) return status::kSemTimeout;
    return FileOpenErrorCode(error, folder_exists);
  }
  // Not connected to the share. Whether the server takes our logon at all
  // decides what the refusal means.
  const bool reached = servers_[host].shares.count(kIpcShare) != 0 || ProbeServer(smb_host) == 0;
  if (!reached && servers_[host].failure == 0 && TimeIsUp()) return status::kSemTimeout;
  if (!reached) return servers_[host].failure != 0 ? servers_[host].failure : status::kBadNetPath;
  switch (error) {
    case ENOENT:
    case ENODEV:
      return status::kBadNetName;  // no such share
    case EACCES:
    case EPERM:
      return status::kAccessDenied;
    default: {
      const uint32_t failure = ConnectionErrorCode(error, credentials_.offered, nt_status);
      servers_[host].failure = failure;
      return failure;
    }
  }
}

void SmbSession::CloseFile(SMBCFILE* file) {
  if (file != nullptr && context_ != nullptr) smbc_getFunctionClose(context_)(context_, file);
}

}  // namespace winreach
