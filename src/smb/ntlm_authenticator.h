// An NTLMv2 logon inside SPNEGO: NEGOTIATE in our NegTokenInit, the
// server's CHALLENGE in its NegTokenResp, our AUTHENTICATE (with its MIC
// and SPNEGO's mechListMIC) in ours, then the server's verdict. Also the
// anonymous logon, which is NTLM with empty credentials.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "smb/authenticator.h"
#include "smb/crypto.h"
#include "smb/ntlm.h"

namespace winreach::smb {

// An account for NTLM, in UTF-16. An empty user logs on anonymously.
struct NtlmCredentials {
  std::u16string user;
  std::u16string domain;  // empty: the domain the server names in its challenge
  SecretBytes password;   // UTF-16LE; the authenticator keeps only its hash
};

class NtlmAuthenticator : public Authenticator {
 public:
  // Fills its span with random bytes; false when it cannot.
  using RandomSource = std::function<bool(std::span<uint8_t>)>;

  // `workstation` is our computer's name, `target_host` the server's host
  // name (named in the AUTHENTICATE as "cifs/<host>"; empty to leave it
  // out), `now` the current time as a FILETIME, used when the server sends
  // none.
  NtlmAuthenticator(NtlmCredentials credentials, std::u16string workstation,
                    std::u16string target_host, RandomSource random, uint64_t now);
  ~NtlmAuthenticator() override;

  Step Next(ByteSpan server_token, Bytes* out) override;
  const SecretBytes& SessionKey() const override { return session_key_; }
  LogonMechanism mechanism() const override {
    return anonymous_ ? LogonMechanism::kAnonymous : LogonMechanism::kNtlm;
  }
  // False when our mechListMIC went unanswered (some servers, impacket's
  // among them, never send one): then only a signed last answer proves the
  // server knew the key.
  bool server_proven() const override { return !sent_mech_list_mic_ || mic_verified_; }
  // 87 for a malformed or out-of-turn server token, 1937 when the server
  // offers or chooses no NTLM, 1326 for a rejected logon, 5 when the
  // server's mechListMIC does not verify, 31 when no random bytes came.
  uint32_t failure() const override { return failure_; }
  std::u16string account() const override;

 private:
  enum class Stage { kFirst, kChallenge, kVerdict, kOver };

  Step Fail(uint32_t code);
  Step Start(ByteSpan server_token, Bytes* out);
  Step Answer(ByteSpan server_token, Bytes* out);
  Step Verdict(ByteSpan server_token);

  const bool anonymous_;
  std::u16string user_;
  std::u16string domain_;
  std::u16string workstation_;
  std::u16string target_host_;
  SecretBytes nt_hash_;
  RandomSource random_;
  uint64_t now_;

  Stage stage_ = Stage::kFirst;
  uint32_t failure_ = 0;
  Bytes mech_types_;
  Bytes negotiate_;
  SecretBytes session_key_;
  // The server's direction, kept to check its mechListMIC.
  std::unique_ptr<NtlmSealingContext> server_context_;
  bool sent_mech_list_mic_ = false;
  bool mic_verified_ = false;  // the server's mechListMIC, after ours
};

}  // namespace winreach::smb
