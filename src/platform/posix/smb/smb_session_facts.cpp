#include "platform/posix/smb/smb_session_facts.h"

#include <utility>

#include "platform/posix/utf8.h"

namespace winreach {

namespace {

// The lines, as libsmbclient writes them at log level 10 (Samba 4.x).
constexpr std::string_view kConnecting = "Connecting to ";
constexpr std::string_view kAtPort = " at port ";
constexpr std::string_view kSessionSetup = "cli_session_setup_spnego_send: Connect to ";
constexpr std::string_view kAs = " as ";
constexpr std::string_view kUsingSpnego = " using SPNEGO";
constexpr std::string_view kMechanism = "Starting GENSEC submechanism ";
constexpr std::string_view kKeyProven = "ntlmssp_check_packet: NTLMSSP signature OK";
constexpr std::string_view kSessionUp = " session setup ok";
constexpr std::string_view kSigned = "signed SMB2 message (sign_algo_id=";
constexpr std::string_view kOpen = "map_open_params_to_ntcreate: ";
// Lines that start another request than an open: a tree connect (SMB 3.1.1
// signs those whatever the session does) is not the open's signature.
constexpr std::string_view kServerLookup = "SMBC_server: ";
constexpr std::string_view kTreeUp = " tconx ok";
constexpr std::string_view kEncrypted = "smb2_signing_encrypt_pdu: Encrypted SMB2 message";
constexpr std::string_view kAnonymousName = "(null)";

// Longest address and name kept: more is not an address or account name.
constexpr size_t kMaxAddress = 64;
constexpr size_t kMaxName = 512;

// The signing algorithms of SMB2 NEGOTIATE's signing capabilities.
constexpr int kHmacSha256 = 0;
constexpr int kAesCmac = 1;
constexpr int kAesGmac = 2;

std::string_view WithoutLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// A decimal number of at most `max_digits` digits filling `text` whole.
std::optional<int> Decimal(std::string_view text, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsAddressText(std::string_view text) {
  if (text.empty() || text.size() > kMaxAddress) return false;
  for (const char c : text) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                    c == '.' || c == ':';
    if (!ok) return false;
  }
  return true;
}

// "user@DOMAIN" as the server's logs and Windows write it: "DOMAIN\user".
std::wstring AccountName(const std::string& logged) {
  const size_t at = logged.rfind('@');
  if (at == std::string::npos || at + 1 == logged.size()) return DecodeUtf8(logged);
  return DecodeUtf8(logged.substr(at + 1)) + L"\\" + DecodeUtf8(logged.substr(0, at));
}

LogonMethod MechanismOf(std::string_view name) {
  if (name == "ntlmssp") return LogonMethod::kNtlm;
  if (name == "gse_krb5" || name == "gssapi_krb5" || name == "krb5") return LogonMethod::kKerberos;
  return LogonMethod::kUnknown;
}

}  // namespace

void SmbConnectionLog::Read(std::string_view message) {
  const std::string_view line = WithoutLineEnd(message);
  Connection& c = current_;
  if (line.starts_with(kConnecting)) {
    // A new connection: what was learned belongs to the last one. (An
    // address that is not one, or a port beyond 65535, is not this line.)
    const size_t at_port = line.rfind(kAtPort);
    if (at_port == std::string_view::npos || at_port < kConnecting.size()) return;
    const std::string_view address = line.substr(kConnecting.size(), at_port - kConnecting.size());
    const std::optional<int> port = Decimal(line.substr(at_port + kAtPort.size()), 5);
    if (!IsAddressText(address) || !port || *port == 0 || *port > 65535) return;
    if (current_.established && !first_) first_ = current_;
    current_ = Connection{};
    current_.address = std::string(address);
    current_.port = static_cast<uint16_t>(*port);
  } else if (line.starts_with(kSessionSetup)) {
    const std::string_view rest = line.substr(kSessionSetup.size());
    const size_t as = rest.find(kAs);
    if (as == std::string_view::npos || rest.size() < kUsingSpnego.size() ||
        rest.substr(rest.size() - kUsingSpnego.size()) != kUsingSpnego ||
        as + kAs.size() > rest.size() - kUsingSpnego.size()) {
      return;
    }
    const std::string_view name =
        rest.substr(as + kAs.size(), rest.size() - kUsingSpnego.size() - as - kAs.size());
    if (name.size() > kMaxName) return;
    c.name = name == kAnonymousName ? std::string() : std::string(name);
    c.mechanism = LogonMethod::kUnknown;
    c.key_proven = false;
  } else if (line.starts_with(kMechanism)) {
    c.mechanism = MechanismOf(line.substr(kMechanism.size()));
  } else if (line == kKeyProven) {
    c.key_proven = true;
  } else if (line == kSessionUp) {
    c.session_up = true;
  } else if (line.starts_with(kSigned)) {
    const std::string_view rest = line.substr(kSigned.size());
    if (rest.empty() || rest.back() != ')') return;
    const std::optional<int> algorithm = Decimal(rest.substr(0, rest.size() - 1), 2);
    if (!algorithm) return;
    c.sign_algorithm = *algorithm;
    c.key_proven = true;
    if (c.open_pending) c.signed_after_open = true;
  } else if (line.starts_with(kOpen)) {
    if (c.session_up) c.open_sent = c.open_pending = true;
  } else if (line.starts_with(kServerLookup) || line == kTreeUp) {
    c.open_pending = false;
  } else if (line == kEncrypted) {
    c.encrypted = true;
    c.key_proven = true;
  }
}

void SmbConnectionLog::Established(LogonMethod chosen, bool offered,
                                   std::optional<std::string> principal) {
  current_.chosen = chosen;
  current_.offered = offered;
  current_.principal = std::move(principal);
  current_.established = true;
}

std::optional<SessionFacts> SmbConnectionLog::FirstConnection() const {
  if (first_) return FactsOf(*first_);
  if (current_.established) return FactsOf(current_);
  return std::nullopt;
}

SessionFacts SmbConnectionLog::FactsOf(const Connection& c) {
  SessionFacts facts;
  facts.server = DecodeUtf8(c.address);
  facts.port = c.port;
  facts.credentials_offered = c.offered;
  const bool anonymous = c.name ? c.name->empty() : c.chosen == LogonMethod::kAnonymous;
  if (anonymous) {
    // An empty name is NTLMSSP's anonymous logon, whatever was asked.
    facts.method = LogonMethod::kAnonymous;
    facts.account = LogonAccount::kAnonymous;
  } else {
    facts.method = c.mechanism != LogonMethod::kUnknown ? c.mechanism : c.chosen;
    if (facts.method == LogonMethod::kNtlm && c.name && c.session_up) {
      // A server that took the name without ever signing with its key did
      // not know the account: it made the logon its guest.
      facts.account = c.key_proven ? LogonAccount::kNamed : LogonAccount::kGuest;
      if (c.key_proven) facts.name = AccountName(*c.name);
    }
    // With Kerberos the name logged is not the ticket's: the account is the
    // ticket cache's principal, or unknown.
    if (facts.method == LogonMethod::kKerberos && c.principal && c.session_up) {
      facts.account = LogonAccount::kNamed;
      facts.name = DecodeUtf8(*c.principal);
    }
  }
  switch (c.sign_algorithm) {
    case kHmacSha256:
      facts.dialect = L"2.x";
      break;
    case kAesCmac:
      facts.dialect = L"3.x";
      break;
    case kAesGmac:
      facts.dialect = L"3.1.1";
      break;
    default:
      if (c.encrypted) facts.dialect = L"3.x";
      break;
  }
  if (c.encrypted) {
    // Encrypted messages carry their own authentication, not a signature.
    facts.encryption = true;
    facts.signing = false;
  } else if (c.open_sent) {
    facts.encryption = false;
    facts.signing = c.signed_after_open;
  }
  return facts;
}

}  // namespace winreach
