// Whose rights the remote checks ran with, and how: the logon and the
// protection of the first connection that the remote checks made to a
// server. Each field is what the platform could learn; what it could not
// stays unknown rather than guessed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace winreach {

enum class LogonMethod { kUnknown, kKerberos, kNtlm, kAnonymous };

// Who the server took the logon for.
enum class LogonAccount { kUnknown, kNamed, kGuest, kAnonymous };

struct SessionFacts {
  std::wstring server;  // the address connected to; empty when unknown
  uint16_t port = 0;    // 445, or 139 after a refusal; 0 when unknown
  LogonMethod method = LogonMethod::kUnknown;
  LogonAccount account = LogonAccount::kUnknown;
  std::wstring name;     // kNamed: "DOMAIN\name" or "name@REALM"
  std::wstring dialect;  // "2.0.2", "2.1", "3.0", "3.0.2", "3.1.1"; empty when unknown
  std::optional<bool> signing;     // messages carried SMB signatures
  std::optional<bool> encryption;  // messages were encrypted
  // A ticket cache, a password or a DOMAIN\name was there to be used.
  bool credentials_offered = false;
  std::wstring signing_algorithm;  // "HMAC-SHA256", "AES-CMAC", "AES-GMAC"; empty: unsigned or unknown
  std::wstring cipher;             // "AES-128-CCM" ... "AES-256-GCM"; empty: unencrypted or unknown
};

class Session {
 public:
  virtual ~Session() = default;

  // The first connection the remote checks made, as far as known now;
  // nullopt while none has been made.
  virtual std::optional<SessionFacts> FirstConnection() = 0;

  // Makes, ahead of the remote checks, the connection and logon to
  // `machine` ("\\host", as the checks name it) that the first of them
  // would make, so that its waits pass while the earlier checks wait for
  // theirs. The checks then find it made, or find its failure and report
  // it as their own, exactly as when the first of them failed to connect.
  // Called on a thread of its own while other checks run; the checks that
  // come after it wait for it where it has not finished.
  virtual void Connect(std::wstring_view machine) = 0;
};

}  // namespace winreach
