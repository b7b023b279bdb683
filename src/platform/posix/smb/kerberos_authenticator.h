// A Kerberos logon through the system's GSSAPI, inside SPNEGO, with the
// user's ticket cache: a ticket for cifs/HOST, mutual authentication, and
// the context's session key for signing and encryption.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/smb/gssapi_library.h"
#include "smb/authenticator.h"

namespace winreach {

class KerberosAuthenticator : public smb::Authenticator {
 public:
  // The logon to `host` (a host name: an address has no service principal),
  // or nullptr when Kerberos cannot be tried: no GSSAPI library, or no
  // usable credentials in the ticket cache.
  static std::unique_ptr<KerberosAuthenticator> Create(std::string_view host);
  ~KerberosAuthenticator() override;
  KerberosAuthenticator(const KerberosAuthenticator&) = delete;
  KerberosAuthenticator& operator=(const KerberosAuthenticator&) = delete;

  Step Next(smb::ByteSpan server_token, smb::Bytes* out) override;
  const smb::SecretBytes& SessionKey() const override { return key_; }
  smb::LogonMechanism mechanism() const override { return smb::LogonMechanism::kKerberos; }
  // A completed logon has checked the server's mutual authentication.
  bool server_proven() const override { return complete_; }
  uint32_t failure() const override { return failure_; }
  std::u16string account() const override { return principal_; }

  // Whether a token went to the server. Until then a failure is this
  // computer's own (no service ticket to be had) and another mechanism may
  // be tried; after it, the server has answered and its answer stands.
  bool started() const { return started_; }

 private:
  KerberosAuthenticator(const GssapiLibrary& gss, gss_cred_id_t credentials, gss_name_t target,
                        std::string principal);
  bool TakeSessionKey();

  const GssapiLibrary& gss_;
  gss_cred_id_t credentials_;
  gss_name_t target_;
  gss_ctx_id_t context_ = GSS_C_NO_CONTEXT;
  std::u16string principal_;  // from the UTF-8 name GSSAPI gives
  bool complete_ = false;
  bool started_ = false;
  smb::SecretBytes key_;
  uint32_t failure_ = 0;
};

}  // namespace winreach
