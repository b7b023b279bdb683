#include "platform/posix/smb/smb_session.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "platform/format.h"
#include "platform/posix/smb/kerberos_authenticator.h"
#include "platform/posix/smb/smb_errors.h"
#include "platform/posix/utf8.h"
#include "platform/status_codes.h"
#include "smb/named_pipe.h"
#include "smb/ntlm_authenticator.h"
#include "smb/utf16.h"

namespace winreach {

namespace {

constexpr uint16_t kSmbPort = 445;
constexpr uint16_t kNetbiosSessionPort = 139;
constexpr char16_t kIpcShare[] = u"IPC$";
// The name every NetBIOS session service answers to.
constexpr char kGenericServerName[] = "*SMBSERVER";

// A pipe is read and written: FILE_READ_DATA, FILE_WRITE_DATA,
// FILE_APPEND_DATA, the attributes, READ_CONTROL and SYNCHRONIZE.
constexpr uint32_t kPipeAccess = 0x0001 | 0x0002 | 0x0004 | 0x0008 | 0x0010 | 0x0080 | 0x0100 |
                                 0x00020000 | 0x00100000;
constexpr uint32_t kShareReadWriteDelete = 0x7;
constexpr uint32_t kOpenExisting = 1;  // FILE_OPEN
constexpr uint32_t kNonDirectoryFile = 0x40;

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

std::u16string UpperShare(std::u16string_view share) {
  std::u16string out(share);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

bool IsAddress(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 ||
         inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// This computer's name as NetBIOS and NTLM name it: the host name's first
// label, upper-cased, at most 15 characters.
std::string LocalNetbiosName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "WINREACH";
  std::string label(name, strnlen(name, sizeof name));
  label = label.substr(0, label.find('.'));
  if (label.empty()) return "WINREACH";
  return Upper(label.substr(0, 15));
}

// The name the NetBIOS session service is asked for: the server's name, or
// the generic one when it is known only by its address.
std::string CalledName(const std::string& host) {
  if (IsAddress(host)) return kGenericServerName;
  return Upper(host.substr(0, std::min(host.find('.'), size_t{15})));
}

std::string AddressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  const void* raw =
      address.ss_family == AF_INET6
          ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr)
          : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(&address)->sin_addr);
  ::inet_ntop(address.ss_family, raw, text, sizeof text);
  return text;
}

// Connects `socket` to `port` of `address`; on the NetBIOS session service
// it also asks for a session with the server, by its name and, when that
// name is refused, by the generic one on a new connection.
uint32_t ConnectPort(SmbSocket& socket, sockaddr_storage* address, socklen_t length,
                     uint16_t port, const std::string& host) {
  if (address->ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6*>(address)->sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in*>(address)->sin_port = htons(port);
  }
  const auto* target = reinterpret_cast<const sockaddr*>(address);
  uint32_t failure = socket.Connect(target, length, SmbSession::kConnectTimeout);
  if (failure != 0 || port != kNetbiosSessionPort) return failure;
  const std::string called = CalledName(host);
  failure = socket.RequestNetbiosSession(called, LocalNetbiosName());
  if (failure != status::kWsaConnectionRefused || called == kGenericServerName) return failure;
  failure = socket.Connect(target, length, SmbSession::kConnectTimeout);
  return failure != 0 ? failure : socket.RequestNetbiosSession(kGenericServerName, LocalNetbiosName());
}

// Now as a Windows FILETIME: 100 ns units since 1601.
uint64_t FileTimeNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  constexpr uint64_t kEpochDifference = 11644473600ULL;  // 1601 to 1970, in seconds
  return (static_cast<uint64_t>(now.tv_sec) + kEpochDifference) * 10000000ULL +
         static_cast<uint64_t>(now.tv_nsec) / 100;
}

std::wstring SigningAlgorithmName(smb::SigningAlgorithm algorithm) {
  switch (algorithm) {
    case smb::SigningAlgorithm::kHmacSha256: return L"HMAC-SHA256";
    case smb::SigningAlgorithm::kAesCmac: return L"AES-CMAC";
    case smb::SigningAlgorithm::kAesGmac: return L"AES-GMAC";
  }
  return L"";
}

std::wstring CipherName(smb::Cipher cipher) {
  switch (cipher) {
    case smb::Cipher::kAes128Ccm: return L"AES-128-CCM";
    case smb::Cipher::kAes128Gcm: return L"AES-128-GCM";
    case smb::Cipher::kAes256Ccm: return L"AES-256-CCM";
    case smb::Cipher::kAes256Gcm: return L"AES-256-GCM";
  }
  return L"";
}

std::wstring DialectName(smb::Dialect dialect) {
  switch (dialect) {
    case smb::Dialect::k202: return L"2.0.2";
    case smb::Dialect::k210: return L"2.1";
    case smb::Dialect::k300: return L"3.0";
    case smb::Dialect::k302: return L"3.0.2";
    case smb::Dialect::k311: return L"3.1.1";
  }
  return L"";
}

std::u16string Utf16(std::string_view utf8) { return Utf16FromWide(DecodeUtf8(utf8)); }

// Opens the named pipe `pipe` on IPC$ to read and write it.
smb::CreateRequest PipeCreateRequest(std::string_view pipe) {
  smb::CreateRequest request;
  request.desired_access = kPipeAccess;
  request.share_access = kShareReadWriteDelete;
  request.create_disposition = kOpenExisting;
  request.create_options = kNonDirectoryFile;
  request.name = Utf16(pipe);
  return request;
}

// The password in the UTF-16LE NTLM hashes; the copies made on the way are
// wiped.
smb::SecretBytes PasswordUtf16Le(std::string_view utf8) {
  std::wstring wide = DecodeUtf8(utf8);
  std::u16string units = Utf16FromWide(wide);
  smb::SecretBytes password = smb::Utf16Le(units);
  smb::Wipe({reinterpret_cast<uint8_t*>(wide.data()), wide.size() * sizeof(wchar_t)});
  smb::Wipe({reinterpret_cast<uint8_t*>(units.data()), units.size() * sizeof(char16_t)});
  return password;
}

}  // namespace

struct SmbSession::Server {
  uint32_t failure = 0;  // non-zero: not to be tried again
  std::unique_ptr<SmbSocket> socket;
  std::unique_ptr<smb::Smb2Connection> connection;
  std::string address;   // as connected to, for the session's facts
  uint16_t port = 0;
  std::map<std::u16string, uint32_t> trees;  // by upper-case share name
  // Made ahead and not yet asked for: pipes by name, refused shares by
  // upper-case name.
  std::map<std::string, smb::PipeStart, std::less<>> started_pipes;
  std::map<std::u16string, smb::SmbResult> refused_trees;
  bool started = false;  // what goes ahead has gone
  std::u16string unc_prefix;                 // u"\\\\host\\"
};

SmbSession::SmbSession() : deadline_(Clock::now() + kSmbBudget) {}

SmbSession::~SmbSession() {
  // Files and pipes are closed by their owners first; what is left goes
  // with the connections.
  credentials_.Wipe();
}

uint32_t SmbSession::Prepare(const SmbHost& host, std::span<const PipeAhead> pipes,
                             std::span<const std::u16string_view> shares) {
  const std::lock_guard<std::mutex> lock(reach_mutex_);
  uint32_t failure = 0;
  Server* server = ReachLocked(host, &failure);
  if (server != nullptr && !server->started) StartAhead(*server, pipes, shares);
  return failure;
}

void SmbSession::StartAhead(Server& server, std::span<const PipeAhead> pipes,
                            std::span<const std::u16string_view> shares) {
  server.started = true;
  std::vector<smb::PipeStart> opening;
  for (const PipeAhead& pipe : pipes) {
    smb::PipeStart& start = opening.emplace_back();
    start.tree_id = server.trees[kIpcShare];
    start.request = PipeCreateRequest(pipe.name);
    start.input = pipe.first;
  }
  std::vector<smb::TreeStart> connecting;
  for (const std::u16string_view share : shares) {
    if (server.trees.contains(UpperShare(share))) continue;
    connecting.emplace_back().path = server.unc_prefix + std::u16string(share);
  }
  // The first pipe goes alone, as the first check would open it: a Samba
  // server that starts its RPC services on demand (samba-dcerpcd) stalls
  // for more than ten seconds when many connections each ask for several
  // of them at once before it runs. Once one pipe has opened it runs.
  const std::span<smb::PipeStart> all(opening);
  const size_t first = std::min<size_t>(all.size(), 1);
  const auto keep = [&](size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i) {
      server.started_pipes.emplace(pipes[i].name, std::move(opening[i]));
    }
  };
  if (!server.connection->StartTogether(all.first(first), {})) return;
  keep(0, first);
  if (!server.connection->StartTogether(all.subspan(first), connecting)) return;
  keep(first, all.size() - first);
  for (const smb::TreeStart& tree : connecting) {
    const std::u16string key = UpperShare(tree.path.substr(server.unc_prefix.size()));
    if (tree.result.ok()) {
      server.trees[key] = tree.tree_id;
    } else {
      server.refused_trees[key] = tree.result;
    }
  }
}

SmbSession::Server* SmbSession::Reach(const SmbHost& host, uint32_t* failure) {
  const std::lock_guard<std::mutex> lock(reach_mutex_);
  return ReachLocked(host, failure);
}

SmbSession::Server* SmbSession::ReachLocked(const SmbHost& host, uint32_t* failure) {
  *failure = 0;
  if (host.key.empty()) {
    *failure = status::kBadNetPath;
    return nullptr;
  }
  auto& slot = servers_[host.key];
  if (!slot) slot = std::make_unique<Server>();
  Server& server = *slot;
  if (server.failure == 0 && !server.connection) server.failure = Connect(server, host);
  if (server.failure != 0) {
    *failure = server.failure;
    return nullptr;
  }
  if (TimeIsUp()) {
    *failure = status::kSemTimeout;
    return nullptr;
  }
  return &server;
}

uint32_t SmbSession::ConnectTransport(Server& server, const SmbHost& host) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return status::kBadNetPath;
  }
  server.socket = std::make_unique<SmbSocket>(deadline_, kRequestTimeout);
  uint32_t failure = status::kBadNetPath;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    sockaddr_storage address{};
    std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
    for (const uint16_t port : {kSmbPort, kNetbiosSessionPort}) {
      failure = ConnectPort(*server.socket, &address, entry->ai_addrlen, port, host.name);
      if (failure == 0) {
        ::freeaddrinfo(found);
        server.address = AddressText(address);
        server.port = port;
        return 0;
      }
      // Only a refusal on 445 sends us to 139: a silent host is not tried
      // twice.
      if (failure != status::kWsaConnectionRefused) break;
    }
    // Silence ends the search too: another address would wait again.
    if (failure == status::kWsaTimedOut || failure == status::kSemTimeout) break;
  }
  ::freeaddrinfo(found);
  server.socket.reset();
  return failure == status::kSemTimeout ? failure : status::kBadNetPath;
}

uint32_t SmbSession::Connect(Server& server, const SmbHost& host) {
  if (!loaded_) {
    loaded_ = true;
    conf_ = LoadSmbClientConf();
    credentials_ = CredentialsFromProcess();
    ticket_cache_ = conf_.kerberos != SmbClientConf::Kerberos::kOff &&
                    (ProcessHasTicketCache() || conf_.kerberos == SmbClientConf::Kerberos::kRequired);
  }
  if (TimeIsUp()) return status::kSemTimeout;
  if (const uint32_t failure = ConnectTransport(server, host); failure != 0) return failure;
  server.unc_prefix = u"\\\\" + Utf16(host.name) + u"\\";
  server.connection = std::make_unique<smb::Smb2Connection>(*server.socket, conf_.settings,
                                                            smb::FillRandom);
  if (conf_.smb1_only) return status::kNotSupported;
  const smb::SmbResult negotiated = server.connection->Negotiate();
  if (!negotiated.ok()) {
    return WindowsCodeOf(negotiated, SmbStage::kNegotiate, false);
  }
  return LogOn(server, host);
}

uint32_t SmbSession::LogOn(Server& server, const SmbHost& host) {
  const bool offered = credentials_.offered;
  const bool try_ticket = ticket_cache_ && !IsAddress(host.name);
  const bool credentials_offered = ticket_cache_ || offered || !credentials_.domain.empty();
  std::unique_ptr<smb::Authenticator> logon;
  const KerberosAuthenticator* kerberos = nullptr;
  if (try_ticket) {
    auto ticket = KerberosAuthenticator::Create(host.name);
    kerberos = ticket.get();
    logon = std::move(ticket);
  }
  smb::SmbResult result = smb::SmbResult::Protocol(smb::ProtocolFault::kLogon);
  SmbStage failed_at = SmbStage::kLogon;
  const auto attempt = [&](smb::Authenticator& authenticator) {
    failed_at = SmbStage::kLogon;
    result = server.connection->SessionSetup(authenticator);
    if (!result.ok()) return false;
    // The logon counts once IPC$, which every server offers every logon,
    // takes it: a ticket refused only there still falls back.
    failed_at = SmbStage::kTree;
    uint32_t tree_id = 0;
    result = server.connection->TreeConnect(server.unc_prefix + kIpcShare, &tree_id);
    if (result.ok()) server.trees[kIpcShare] = tree_id;
    return result.ok();
  };
  bool done = logon && attempt(*logon);
  // NTLM only where Kerberos failed on this computer (no ticket, no service
  // ticket for the host), never once the server has answered a ticket:
  // whatever it said, whoever said it, the answer is not a reason to hand
  // out an NTLM response instead. Never when smb.conf requires Kerberos.
  const bool kerberos_answered = kerberos != nullptr && kerberos->started();
  if (!done && conf_.kerberos == SmbClientConf::Kerberos::kRequired && !kerberos_answered) {
    return status::kLogonFailure;
  }
  if (!done && !kerberos_answered && result.kind != smb::SmbResult::Kind::kTransport &&
      !TimeIsUp()) {
    smb::NtlmCredentials ntlm;
    if (offered) {
      ntlm.user = Utf16(credentials_.user);
      ntlm.domain = Utf16(credentials_.domain.empty() ? conf_.workgroup : credentials_.domain);
      ntlm.password = PasswordUtf16Le(credentials_.password);
    }
    logon = std::make_unique<smb::NtlmAuthenticator>(
        std::move(ntlm), Utf16(LocalNetbiosName()), IsAddress(host.name) ? u"" : Utf16(host.name),
        smb::FillRandom, FileTimeNow());
    done = attempt(*logon);
  }
  if (!done) {
    // The logon gave up on our side: its own reason says whose fault it was.
    if (logon && result.kind == smb::SmbResult::Kind::kProtocol &&
        result.fault == smb::ProtocolFault::kLogon) {
      return LogonFailureCode(logon->failure());
    }
    // A refused logon that carried credentials is a logon failure; an
    // anonymous one refused is access denied.
    const bool named = logon && logon->mechanism() != smb::LogonMechanism::kAnonymous;
    return WindowsCodeOf(result, failed_at, named);
  }
  if (!first_facts_) first_facts_ = FactsOf(server, *logon, credentials_offered);
  return 0;
}

SessionFacts SmbSession::FactsOf(const Server& server, const smb::Authenticator& logon,
                                  bool credentials_offered) {
  const smb::SessionState& state = server.connection->session();
  SessionFacts facts;
  facts.server = DecodeUtf8(server.address);
  facts.port = server.port;
  switch (logon.mechanism()) {
    case smb::LogonMechanism::kKerberos: facts.method = LogonMethod::kKerberos; break;
    case smb::LogonMechanism::kNtlm: facts.method = LogonMethod::kNtlm; break;
    case smb::LogonMechanism::kAnonymous: facts.method = LogonMethod::kAnonymous; break;
  }
  facts.account = state.anonymous ? LogonAccount::kAnonymous
                  : state.guest   ? LogonAccount::kGuest
                                  : LogonAccount::kNamed;
  if (facts.account == LogonAccount::kNamed) facts.name = WideFromUtf16(logon.account());
  facts.dialect = DialectName(state.dialect);
  facts.signing = state.signing;
  facts.encryption = state.encrypting;
  // What carried the messages: encryption protects them in place of signing.
  if (state.encrypting && state.cipher) {
    facts.cipher = CipherName(*state.cipher);
  } else if (state.signing && state.signing_algorithm) {
    facts.signing_algorithm = SigningAlgorithmName(*state.signing_algorithm);
  }
  facts.credentials_offered = credentials_offered;
  return facts;
}

uint32_t SmbSession::Tree(Server& server, std::u16string_view share, uint32_t* tree_id) {
  const std::u16string key = UpperShare(share);
  if (const auto found = server.trees.find(key); found != server.trees.end()) {
    *tree_id = found->second;
    return 0;
  }
  smb::SmbResult result;
  if (auto refused = server.refused_trees.extract(key)) {
    result = refused.mapped();  // connected ahead: that answer, once
  } else {
    result = server.connection->TreeConnect(server.unc_prefix + std::u16string(share), tree_id);
  }
  if (!result.ok()) return WindowsCodeOf(result, SmbStage::kTree, credentials_.offered);
  server.trees[key] = *tree_id;
  return 0;
}

uint32_t SmbSession::OpenPipe(const SmbHost& host, std::string_view pipe,
                              std::unique_ptr<rpc::PipeTransport>* result) {
  result->reset();
  uint32_t failure = 0;
  Server* server = Reach(host, &failure);
  if (server == nullptr) return failure;
  const bool offered = credentials_.offered;
  auto open_error = [offered](const smb::SmbResult& failed) {
    return WindowsCodeOf(failed, SmbStage::kOpenPipe, offered);
  };
  auto pipe_error = [offered](const smb::SmbResult& failed) {
    return WindowsCodeOf(failed, SmbStage::kPipeIo, offered);
  };
  if (const auto started = server->started_pipes.find(pipe);
      started != server->started_pipes.end()) {
    auto taken = server->started_pipes.extract(started);
    *result = std::make_unique<smb::NamedPipe>(*server->connection, std::move(taken.mapped()),
                                               open_error, pipe_error);
    return 0;
  }
  // The pipe opens with its first transaction (the RPC bind), in one
  // message where the server takes compounded requests; a failed opening
  // is reported as one.
  *result = std::make_unique<smb::NamedPipe>(*server->connection, server->trees[kIpcShare],
                                             PipeCreateRequest(pipe), open_error, pipe_error);
  return 0;
}

uint32_t SmbSession::OpenFile(const UncPath& path, uint32_t access, uint64_t* file) {
  *file = 0;
  uint32_t failure = 0;
  Server* server = Reach(SmbHostOf(path.server), &failure);
  if (server == nullptr) return failure;
  uint32_t tree_id = 0;
  if (const uint32_t error = Tree(*server, Utf16FromWide(path.share), &tree_id); error != 0) {
    return error;
  }
  smb::CreateRequest request;
  request.desired_access = access;
  request.share_access = kShareReadWriteDelete;
  request.create_disposition = kOpenExisting;
  request.create_options = kNonDirectoryFile;
  request.name = Utf16FromWide(path.path);
  smb::CreateResponse created;
  const smb::SmbResult opened = server->connection->Create(tree_id, request, &created);
  if (!opened.ok()) return WindowsCodeOf(opened, SmbStage::kOpenFile, credentials_.offered);
  *file = next_file_++;
  files_[*file] = {server, tree_id, created.file_id};
  return 0;
}

void SmbSession::CloseFile(uint64_t file) {
  const auto found = files_.find(file);
  if (found == files_.end()) return;
  // Its CLOSE goes with the next request; nothing waits for it alone.
  if (!TimeIsUp()) {
    found->second.server->connection->CloseLater(found->second.tree_id, found->second.id);
  }
  files_.erase(found);
}

}  // namespace winreach
