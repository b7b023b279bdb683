#include "smb/ntlm_authenticator.h"

#include <algorithm>
#include <utility>

#include "platform/status_codes.h"
#include "smb/spnego.h"
#include "smb/utf16.h"

namespace winreach::smb {

// Failures, as Windows reports them:
//   kInvalidParameter (87)  a server token that is malformed or out of turn
//   kNtlmBlocked (1937)     the server offers no NTLM, or chose another mechanism
//   kLogonFailure (1326)    the server rejected the logon
//   kAccessDenied (5)       the server's mechListMIC does not verify
//   kGenFailure (31)        no random bytes to be had

NtlmAuthenticator::NtlmAuthenticator(NtlmCredentials credentials, std::u16string workstation,
                                     std::u16string target_host, RandomSource random, uint64_t now)
    : anonymous_(credentials.user.empty()),
      user_(std::move(credentials.user)),
      domain_(std::move(credentials.domain)),
      workstation_(std::move(workstation)),
      target_host_(std::move(target_host)),
      random_(std::move(random)),
      now_(now) {
  if (!anonymous_) nt_hash_ = NtHash(credentials.password.span());
}

NtlmAuthenticator::~NtlmAuthenticator() = default;

std::u16string NtlmAuthenticator::account() const {
  if (anonymous_) return {};
  return domain_.empty() ? user_ : domain_ + u"\\" + user_;
}

Authenticator::Step NtlmAuthenticator::Fail(uint32_t code) {
  failure_ = code;
  stage_ = Stage::kOver;
  nt_hash_.Clear();
  return Step::kFailed;
}

Authenticator::Step NtlmAuthenticator::Next(ByteSpan server_token, Bytes* out) {
  out->clear();
  switch (stage_) {
    case Stage::kFirst:
      return Start(server_token, out);
    case Stage::kChallenge:
      return Answer(server_token, out);
    case Stage::kVerdict:
      return Verdict(server_token);
    case Stage::kOver:
      break;
  }
  return Fail(failure_ != 0 ? failure_ : status::kInvalidParameter);
}

Authenticator::Step NtlmAuthenticator::Start(ByteSpan server_token, Bytes* out) {
  // A server may leave its negotiate token empty: then we try NTLM anyway.
  if (!server_token.empty()) {
    NegTokenInit init;
    if (!ParseNegTokenInit(server_token, &init)) return Fail(status::kInvalidParameter);
    if (!Offers(init, kOidNtlmssp)) return Fail(status::kNtlmBlocked);
  }
  mech_types_ = MechTypeList({kOidNtlmssp});
  negotiate_ = NtlmNegotiateMessage(anonymous_);
  *out = BuildNegTokenInit(mech_types_, negotiate_);
  stage_ = Stage::kChallenge;
  return Step::kContinue;
}

Authenticator::Step NtlmAuthenticator::Answer(ByteSpan server_token, Bytes* out) {
  NegTokenResp resp;
  if (!ParseNegTokenResp(server_token, &resp)) return Fail(status::kInvalidParameter);
  if (resp.state == NegState::kReject) return Fail(status::kLogonFailure);
  if (!resp.supported_mech.empty() &&
      !std::equal(resp.supported_mech.begin(), resp.supported_mech.end(), std::begin(kOidNtlmssp),
                  std::end(kOidNtlmssp))) {
    return Fail(status::kNtlmBlocked);
  }
  if (resp.state == NegState::kAcceptCompleted) return Fail(status::kInvalidParameter);
  NtlmChallenge challenge;
  if (!ParseNtlmChallenge(resp.response_token, &challenge)) return Fail(status::kInvalidParameter);
  // Names travel as UTF-16LE only: a server that cannot take them is not
  // one we can log on to.
  if (!(challenge.flags & kNtlmNegotiateUnicode)) return Fail(status::kInvalidParameter);

  uint32_t flags = challenge.flags & kNtlmClientFlags;
  if (anonymous_) flags = (flags | kNtlmNegotiateAnonymous) & ~kNtlmNegotiateKeyExchange;
  if (domain_.empty()) domain_ = challenge.netbios_domain;

  const SecretBytes domain = Utf16Le(anonymous_ ? std::u16string_view() : domain_);
  const SecretBytes user = Utf16Le(user_);
  const SecretBytes workstation = Utf16Le(workstation_);
  NtlmAuthenticateFields fields;
  fields.flags = flags;
  fields.domain = domain.span();
  fields.user = user.span();
  fields.workstation = workstation.span();

  Bytes authenticate;
  Bytes mech_list_mic;
  if (anonymous_) {
    // No response and no key: a single zero byte stands for the LM one.
    static constexpr uint8_t kAnonymousLm[1] = {0};
    fields.lm_response = kAnonymousLm;
    authenticate = NtlmAuthenticateMessage(fields);
  } else {
    // With the server's time in the challenge, the LM response is left
    // zero and the messages are bound together by a MIC.
    const bool with_mic = challenge.timestamp.has_value();
    uint8_t client_challenge[8];
    SecretBytes random_key(16);
    if (!random_(client_challenge) || !random_(random_key.span())) {
      return Fail(status::kGenFailure);
    }
    const SecretBytes target_name = Utf16Le(target_host_.empty() ? u"" : u"cifs/" + target_host_);
    const Bytes target_info = ClientTargetInfo(challenge.target_info, with_mic, target_name.span());
    const SecretBytes response_key = NtowfV2(nt_hash_.span(), user_, domain_);
    nt_hash_.Clear();
    const NtlmV2Response response =
        ComputeNtlmV2Response(response_key.span(), challenge.server_challenge, client_challenge,
                              challenge.timestamp.value_or(now_), target_info);
    static constexpr uint8_t kZeroLm[24] = {};
    fields.lm_response = with_mic ? ByteSpan(kZeroLm) : ByteSpan(response.lm_response);
    fields.nt_response = response.nt_response;

    // Under key exchange the session key is our random one, sent
    // encrypted with the key the response gave; otherwise that key itself.
    SecretBytes encrypted_key;
    if (flags & kNtlmNegotiateKeyExchange) {
      session_key_ = random_key;
      encrypted_key = random_key;
      Rc4(response.session_base_key.span()).Crypt(encrypted_key.span());
      fields.encrypted_session_key = encrypted_key.span();
    } else {
      session_key_ = response.session_base_key;
    }
    authenticate = NtlmAuthenticateMessage(fields);
    if (authenticate.empty()) return Fail(status::kInvalidParameter);  // pairs too long to answer
    if (with_mic) {
      const Digest16 mic = NtlmMic(session_key_.span(), negotiate_, resp.response_token, authenticate);
      std::copy(mic.begin(), mic.end(), authenticate.begin() + kNtlmMicOffset);
    }

    // SPNEGO's own MIC over the mechanism list: signed as NTLM signs a
    // message, with the first sequence number of each direction.
    if (flags & kNtlmNegotiateExtendedSessionSecurity) {
      server_context_ = std::make_unique<NtlmSealingContext>(session_key_.span(), flags, false);
      if (with_mic || resp.state == NegState::kRequestMic) {
        NtlmSealingContext client(session_key_.span(), flags, true);
        const NtlmSignature signature = client.Sign(mech_types_);
        mech_list_mic.assign(signature.begin(), signature.end());
        sent_mech_list_mic_ = true;
      }
    }
  }
  *out = BuildNegTokenResp(authenticate, mech_list_mic);
  negotiate_.clear();
  stage_ = Stage::kVerdict;
  return Step::kContinue;
}

Authenticator::Step NtlmAuthenticator::Verdict(ByteSpan server_token) {
  // Some servers end the exchange with the session setup's status alone,
  // or without answering our mechListMIC: see server_proven().
  if (server_token.empty()) {
    stage_ = Stage::kOver;
    return Step::kDone;
  }
  NegTokenResp resp;
  if (!ParseNegTokenResp(server_token, &resp)) return Fail(status::kInvalidParameter);
  if (resp.state == NegState::kReject) return Fail(status::kLogonFailure);
  if (resp.state != NegState::kAcceptCompleted) return Fail(status::kInvalidParameter);
  if (resp.mech_list_mic && server_context_) {
    const NtlmSignature expected = server_context_->Sign(mech_types_);
    if (!ConstantTimeEqual(expected, *resp.mech_list_mic)) return Fail(status::kAccessDenied);
    mic_verified_ = true;
  }
  stage_ = Stage::kOver;
  return Step::kDone;
}

}  // namespace winreach::smb
