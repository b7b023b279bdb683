// What libsmbclient's detailed log tells about the connections it makes:
// the address and port, the name it logs on as, the GENSEC mechanism
// (Kerberos or NTLMSSP), whether the server proved it knows the account's
// key, and the signing and encryption of the messages that follow.
// libsmbclient has no getter for any of this, and its log never names the
// negotiated dialect: that is narrowed down from the signing algorithm
// (HMAC-SHA256 is SMB 2.x's, AES-CMAC SMB 3.x's, AES-GMAC SMB 3.1.1's only)
// and from encryption (SMB 3.x), and stays unknown otherwise.
//
// Only the recognised facts are kept, never a line: a logon's secrets are
// not in the lines read here, and nothing else is stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/session.h"

namespace winreach {

class SmbConnectionLog {
 public:
  // One message of libsmbclient's log, line end or not.
  void Read(std::string_view message);

  // The connection being made has come about (session and tree connect):
  // the first such is the one FirstConnection() tells of. `chosen` is the
  // logon the session asked for, which stands when the log named no
  // mechanism; `offered` says whether credentials were there to be used;
  // `principal` is the ticket's client when Kerberos was asked for.
  void Established(LogonMethod chosen, bool offered,
                   std::optional<std::string> principal = std::nullopt);

  std::optional<SessionFacts> FirstConnection() const;

 private:
  struct Connection {
    std::string address;
    uint16_t port = 0;
    std::optional<std::string> name;  // as logged: "user@DOMAIN"; empty: anonymous
    LogonMethod mechanism = LogonMethod::kUnknown;
    bool key_proven = false;  // the server's answer was signed with the session's key
    bool session_up = false;
    int sign_algorithm = -1;
    bool open_sent = false;          // a file or pipe was opened after the logon
    bool open_pending = false;       // ... and no other request has begun since
    bool signed_after_open = false;  // an open's message was signed
    bool encrypted = false;
    LogonMethod chosen = LogonMethod::kUnknown;
    bool offered = false;
    std::optional<std::string> principal;
    bool established = false;  // Established() was told of it
  };

  static SessionFacts FactsOf(const Connection& connection);

  Connection current_;
  // The first established connection, kept once the next one starts.
  std::optional<Connection> first_;
};

}  // namespace winreach
