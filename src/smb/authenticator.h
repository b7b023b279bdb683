// One logon's security exchange as the session setup carries it: the
// client's tokens out, the server's in, until the logon is done. NTLM
// (ours, inside SPNEGO) and Kerberos (the system's GSSAPI, also inside
// SPNEGO) both stand behind it, so the session does not know which it runs.
#pragma once

#include <cstdint>
#include <string>

#include "smb/crypto.h"

namespace winreach::smb {

enum class LogonMechanism { kAnonymous, kNtlm, kKerberos };

class Authenticator {
 public:
  enum class Step { kContinue, kDone, kFailed };

  virtual ~Authenticator() = default;

  // Takes the server's token (the negotiate response's security buffer on
  // the first call, which may be empty; then each session setup response's)
  // and gives the next token to send in `out`. kContinue: send `out` and
  // call again with the answer. kDone: the logon is complete on the
  // client's side (`out` may still hold a last token to send, or nothing).
  // kFailed: see failure().
  virtual Step Next(ByteSpan server_token, Bytes* out) = 0;

  // The session key, once known (NTLM: after the AUTHENTICATE message is
  // made; Kerberos: once the context is established); empty for an
  // anonymous logon, which has none.
  virtual const SecretBytes& SessionKey() const = 0;

  virtual LogonMechanism mechanism() const = 0;

  // Whether the logon itself proved that the server holds the session key
  // (NTLM: the server's mechListMIC; Kerberos: mutual authentication).
  // When it did not, the server's signature on its last answer must.
  virtual bool server_proven() const = 0;

  // The Windows code of a failure on the client's side (a malformed or
  // refused token, no credentials the mechanism can use).
  virtual uint32_t failure() const = 0;

  // The account as the logon names it: "DOMAIN\name" for NTLM, the
  // principal for Kerberos, empty for anonymous. In UTF-16, the form
  // NTLM's names have; the platform converts the Kerberos principal.
  virtual std::u16string account() const = 0;
};

}  // namespace winreach::smb
