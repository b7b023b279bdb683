#include "platform/posix/smb/kerberos_authenticator.h"

#include <cstring>
#include <string>

#include "platform/format.h"
#include "platform/posix/utf8.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

// The object identifiers, spelled out: the constants the headers declare
// live in the library, which is not linked.
gss_OID_desc kHostBasedService = {10, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x01\x04")};
gss_OID_desc kSpnego = {6, const_cast<char*>("\x2b\x06\x01\x05\x05\x02")};
gss_OID_desc kKerberos = {9, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02")};
gss_OID_desc kMsKerberos = {9, const_cast<char*>("\x2a\x86\x48\x82\xf7\x12\x01\x02\x02")};
// GSS_C_INQ_SSPI_SESSION_KEY: the key SMB signs and encrypts with.
gss_OID_desc kSessionKey = {11, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02\x05\x05")};

// Kerberos under either of its names (older Windows answers with Microsoft's).
bool IsKerberos(gss_const_OID mechanism) {
  const auto is = [mechanism](const gss_OID_desc& oid) {
    return mechanism->length == oid.length &&
           std::memcmp(mechanism->elements, oid.elements, oid.length) == 0;
  };
  return mechanism != GSS_C_NO_OID && (is(kKerberos) || is(kMsKerberos));
}

std::string DisplayName(const GssapiLibrary& gss, gss_name_t name) {
  OM_uint32 minor = 0;
  gss_buffer_desc text = GSS_C_EMPTY_BUFFER;
  if (gss.display_name(&minor, name, &text, nullptr) != GSS_S_COMPLETE) return {};
  std::string result(static_cast<const char*>(text.value), text.length);
  gss.release_buffer(&minor, &text);
  return result;
}

}  // namespace

std::unique_ptr<KerberosAuthenticator> KerberosAuthenticator::Create(std::string_view host) {
  const GssapiLibrary* gss = GssapiLibrary::Get();
  if (gss == nullptr || host.empty()) return nullptr;
  OM_uint32 minor = 0;
  gss_OID_set_desc spnego_only = {1, &kSpnego};
  gss_cred_id_t credentials = GSS_C_NO_CREDENTIAL;
  gss_name_t client = GSS_C_NO_NAME;
  if (gss->acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, &spnego_only, GSS_C_INITIATE,
                        &credentials, nullptr, nullptr) != GSS_S_COMPLETE) {
    return nullptr;
  }
  if (gss->inquire_cred(&minor, credentials, &client, nullptr, nullptr, nullptr) !=
      GSS_S_COMPLETE) {
    gss->release_cred(&minor, &credentials);
    return nullptr;
  }
  std::string principal = DisplayName(*gss, client);
  gss->release_name(&minor, &client);
  // SPNEGO's framing, Kerberos alone inside it: never a silent other
  // mechanism. A library that cannot promise that is not used.
  gss_OID_set_desc kerberos_only = {1, &kKerberos};
  if (gss->set_neg_mechs(&minor, credentials, &kerberos_only) != GSS_S_COMPLETE) {
    gss->release_cred(&minor, &credentials);
    return nullptr;
  }

  const std::string service = "cifs@" + std::string(host);
  gss_buffer_desc service_name = {service.size(), const_cast<char*>(service.data())};
  gss_name_t target = GSS_C_NO_NAME;
  if (gss->import_name(&minor, &service_name, &kHostBasedService, &target) != GSS_S_COMPLETE) {
    gss->release_cred(&minor, &credentials);
    return nullptr;
  }
  return std::unique_ptr<KerberosAuthenticator>(
      new KerberosAuthenticator(*gss, credentials, target, std::move(principal)));
}

KerberosAuthenticator::KerberosAuthenticator(const GssapiLibrary& gss, gss_cred_id_t credentials,
                                             gss_name_t target, std::string principal)
    : gss_(gss),
      credentials_(credentials),
      target_(target),
      principal_(Utf16FromWide(DecodeUtf8(principal))) {}

KerberosAuthenticator::~KerberosAuthenticator() {
  OM_uint32 minor = 0;
  if (context_ != GSS_C_NO_CONTEXT) gss_.delete_sec_context(&minor, &context_, GSS_C_NO_BUFFER);
  gss_.release_name(&minor, &target_);
  gss_.release_cred(&minor, &credentials_);
}

bool KerberosAuthenticator::TakeSessionKey() {
  OM_uint32 minor = 0;
  gss_buffer_set_t keys = GSS_C_NO_BUFFER_SET;
  if (gss_.inquire_sec_context_by_oid(&minor, context_, &kSessionKey, &keys) != GSS_S_COMPLETE ||
      keys == GSS_C_NO_BUFFER_SET || keys->count < 1 || keys->elements[0].length == 0) {
    if (keys != GSS_C_NO_BUFFER_SET) gss_.release_buffer_set(&minor, &keys);
    return false;
  }
  gss_buffer_t key = &keys->elements[0];
  key_.Assign(smb::ByteSpan(static_cast<const uint8_t*>(key->value), key->length));
  // The library's copy of the key goes back to it wiped.
  smb::Wipe({static_cast<uint8_t*>(key->value), key->length});
  gss_.release_buffer_set(&minor, &keys);
  return true;
}

smb::Authenticator::Step KerberosAuthenticator::Next(smb::ByteSpan server_token, smb::Bytes* out) {
  out->clear();
  if (failure_ != 0) return Step::kFailed;
  // The server's first token only hints at mechanisms; the context begins
  // without it.
  const bool first = context_ == GSS_C_NO_CONTEXT && !complete_;
  if (complete_) {
    // Done already: a last answer from the server may only be empty.
    if (!server_token.empty()) failure_ = status::kLogonFailure;
    return failure_ == 0 ? Step::kDone : Step::kFailed;
  }
  gss_buffer_desc input = {first ? 0 : server_token.size(),
                           const_cast<uint8_t*>(first ? nullptr : server_token.data())};
  gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
  OM_uint32 minor = 0;
  gss_OID mechanism = GSS_C_NO_OID;
  OM_uint32 flags = 0;
  const OM_uint32 major = gss_.init_sec_context(
      &minor, credentials_, &context_, target_, &kSpnego,
      GSS_C_MUTUAL_FLAG | GSS_C_INTEG_FLAG | GSS_C_SEQUENCE_FLAG | GSS_C_REPLAY_FLAG, 0,
      GSS_C_NO_CHANNEL_BINDINGS, first ? GSS_C_NO_BUFFER : &input, &mechanism, &output, &flags,
      nullptr);
  if (output.length != 0) {
    const auto* bytes = static_cast<const uint8_t*>(output.value);
    out->assign(bytes, bytes + output.length);
  }
  gss_.release_buffer(&minor, &output);
  if (GSS_ERROR(major)) {
    failure_ = status::kLogonFailure;
    return Step::kFailed;
  }
  if (major == GSS_S_COMPLETE) {
    complete_ = true;
    // The server proved it holds the service key (mutual authentication),
    // and SPNEGO settled on Kerberos: anything less is not the logon asked for.
    if ((flags & GSS_C_MUTUAL_FLAG) == 0 || !IsKerberos(mechanism) || !TakeSessionKey()) {
      failure_ = status::kLogonFailure;
      return Step::kFailed;
    }
  }
  // A token to send always goes out; the logon is done once nothing is left.
  if (!out->empty()) {
    started_ = true;
    return Step::kContinue;
  }
  return complete_ ? Step::kDone : Step::kFailed;
}

}  // namespace winreach
