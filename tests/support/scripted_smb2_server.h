// An SMB2 server that follows a script, for the connection's tests: it
// keeps every request the client sends (decrypted when it came in a
// transform) and answers each Receive with the next reply of its script,
// built as a server builds one: the server flag, the command, the message
// id of the request it answers, credits. Signed and encrypted replies use
// the keys the session derives from `session_key` (and, on 3.1.1, from the
// preauthentication hash of what went each way).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "smb/authenticator.h"
#include "smb/message_transport.h"
#include "smb/preauth_hash.h"
#include "smb/smb2_header.h"
#include "smb/smb2_keys.h"
#include "smb/smb2_messages.h"
#include "smb/smb2_signing.h"
#include "smb/nt_status.h"
#include "smb/transform.h"

namespace winreach::testing {

enum class Seal { kPlain, kSigned, kBadlySigned, kEncrypted };

struct Smb2Reply {
  Smb2Reply() = default;
  Smb2Reply(smb::Command command, uint32_t status, smb::Bytes body, Seal seal = Seal::kPlain,
            uint16_t credits = 1, uint32_t flags = 0, std::optional<uint64_t> message_id = {})
      : command(command), status(status), body(std::move(body)), seal(seal), credits(credits),
        flags(flags), message_id(message_id) {}
  // Bytes sent as they are.
  static Smb2Reply Raw(smb::ByteSpan bytes) {
    Smb2Reply reply;
    reply.raw.assign(bytes.begin(), bytes.end());
    return reply;
  }

  smb::Command command = smb::Command::kNegotiate;
  uint32_t status = 0;
  smb::Bytes body;
  Seal seal = Seal::kPlain;
  uint16_t credits = 1;
  uint32_t flags = 0;                  // besides SERVER_TO_REDIR
  std::optional<uint64_t> message_id;  // the last request's when not given
  smb::Bytes raw;                      // sent as it is instead, when not empty
};

class ScriptedSmb2Server : public smb::MessageTransport {
 public:
  struct Received {
    smb::Header header;
    smb::Bytes message;
    bool encrypted = false;
  };

  // What the session's keys come from.
  smb::Dialect dialect = smb::Dialect::k311;
  smb::SecretBytes session_key;
  smb::Cipher cipher = smb::Cipher::kAes128Gcm;  // 3.0 and 3.0.2: AES-128-CCM
  smb::SigningAlgorithm signing = smb::SigningAlgorithm::kAesCmac;
  uint64_t session_id = 0x0000100000000009;

  std::deque<Smb2Reply> script;
  std::vector<Received> requests;
  std::vector<smb::Bytes> sent;  // every reply as it went out

  void Answer(Smb2Reply reply) { script.push_back(std::move(reply)); }

  smb::SessionKeys Keys() const {
    return smb::DeriveSessionKeys(dialect, session_key.span(), hash_.span(), cipher);
  }

  uint32_t Send(smb::ByteSpan message) override {
    Received request;
    request.encrypted = smb::IsTransformMessage(message);
    if (request.encrypted) {
      uint64_t id = 0;
      if (smb::DecryptMessage(cipher, Keys().encryption.span(), message, &id, &request.message) !=
          smb::TransformError::kNone) {
        return kBroken;
      }
    } else {
      request.message.assign(message.begin(), message.end());
    }
    if (!smb::ParseHeader(request.message, &request.header)) return kBroken;
    if (request.header.command == smb::Command::kNegotiate ||
        request.header.command == smb::Command::kSessionSetup) {
      hash_.Update(request.message);
    }
    requests.push_back(std::move(request));
    return 0;
  }

  uint32_t Receive(smb::Bytes* out) override {
    if (script.empty() || requests.empty()) return kBroken;
    Smb2Reply reply = std::move(script.front());
    script.pop_front();
    if (!reply.raw.empty()) {
      *out = std::move(reply.raw);
      sent.push_back(*out);
      return 0;
    }
    const smb::Header& asked = requests.back().header;
    smb::Header header;
    header.command = reply.command;
    header.status = reply.status;
    header.credits = reply.credits;
    header.flags = smb::kFlagServerToRedir | reply.flags;
    header.message_id = reply.message_id.value_or(asked.message_id);
    header.async_id = 1;
    header.tree_id = asked.tree_id;
    header.session_id = reply.command == smb::Command::kNegotiate ? 0 : session_id;
    smb::Bytes message = smb::Request(header, reply.body);
    if (reply.command == smb::Command::kNegotiate ||
        (reply.command == smb::Command::kSessionSetup &&
         reply.status == smb::kStatusMoreProcessingRequired)) {
      hash_.Update(message);
    }
    const smb::SessionKeys keys = Keys();
    if (reply.seal == Seal::kSigned || reply.seal == Seal::kBadlySigned) {
      smb::SignMessage(signing, keys.signing.span(), message);
      if (reply.seal == Seal::kBadlySigned) message[smb::kSignatureOffset] ^= 1;
    }
    if (reply.seal == Seal::kEncrypted) {
      smb::Bytes nonce(smb::CipherNonceSize(cipher), 0);
      nonce[0] = static_cast<uint8_t>(++nonces_);
      smb::Bytes sealed;
      smb::EncryptMessage(cipher, keys.decryption.span(), session_id, nonce, message, &sealed);
      message = std::move(sealed);
    }
    sent.push_back(message);
    *out = std::move(message);
    return 0;
  }

  // The Windows code Send and Receive fail with: the connection is gone.
  static constexpr uint32_t kBroken = 64;

 private:
  smb::PreauthHash hash_;
  uint32_t nonces_ = 0;
};

// Response bodies, their offsets counted from the header's start.

inline smb::Bytes NegotiateBody(const smb::NegotiateResponse& r) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  const bool contexts = r.dialect == smb::kDialect311;
  const size_t security_at = smb::kHeaderSize + 64;
  out.U16Le(65);
  out.U16Le(r.security_mode);
  out.U16Le(r.dialect);
  out.U16Le(contexts ? (r.signing_algorithm ? 3 : 2) : 0);
  out.Bytes(r.server_guid);
  out.U32Le(r.capabilities);
  out.U32Le(r.max_transact_size);
  out.U32Le(r.max_read_size);
  out.U32Le(r.max_write_size);
  out.U64Le(0);
  out.U64Le(0);
  out.U16Le(static_cast<uint16_t>(security_at));
  out.U16Le(static_cast<uint16_t>(r.security_buffer.size()));
  const size_t contexts_at = (security_at + r.security_buffer.size() + 7) & ~size_t{7};
  out.U32Le(contexts ? static_cast<uint32_t>(contexts_at) : 0);
  out.Bytes(r.security_buffer);
  if (!contexts) return body;
  auto context = [&](uint16_t type, std::initializer_list<uint16_t> words) {
    while ((smb::kHeaderSize + body.size()) % 8 != 0) out.U8(0);
    out.U16Le(type);
    out.U16Le(static_cast<uint16_t>(2 * words.size()));
    out.U32Le(0);
    for (const uint16_t word : words) out.U16Le(word);
  };
  context(smb::kPreauthIntegrityCapabilities, {1, 0, r.preauth_hash_algorithm});
  context(smb::kEncryptionCapabilities, {1, r.cipher});
  if (r.signing_algorithm) context(smb::kSigningCapabilities, {1, *r.signing_algorithm});
  return body;
}

inline smb::Bytes SessionSetupBody(uint16_t session_flags, smb::ByteSpan token) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(9);
  out.U16Le(session_flags);
  out.U16Le(static_cast<uint16_t>(smb::kHeaderSize + 8));
  out.U16Le(static_cast<uint16_t>(token.size()));
  out.Bytes(token);
  return body;
}

inline smb::Bytes TreeConnectBody(uint8_t share_type, uint32_t share_flags = 0) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(16);
  out.U8(share_type);
  out.U8(0);
  out.U32Le(share_flags);
  out.U32Le(0);
  out.U32Le(0x001f01ff);
  return body;
}

inline smb::Bytes CreateBody(const smb::FileId& file) {
  smb::Bytes body(64, 0);
  body[0] = 89;
  body[4] = 1;  // opened
  body.insert(body.end(), file.bytes.begin(), file.bytes.end());
  body.resize(88, 0);  // no create contexts
  return body;
}

inline smb::Bytes IoctlBody(uint32_t ctl_code, const smb::FileId& file, smb::ByteSpan output) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(49);
  out.U16Le(0);
  out.U32Le(ctl_code);
  out.Bytes(file.bytes);
  const uint32_t at = smb::kHeaderSize + 48;
  out.U32Le(at);
  out.U32Le(0);
  out.U32Le(at);
  out.U32Le(static_cast<uint32_t>(output.size()));
  out.U64Le(0);
  out.Bytes(output);
  return body;
}

inline smb::Bytes ReadBody(smb::ByteSpan data) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(17);
  out.U8(static_cast<uint8_t>(smb::kHeaderSize + 16));
  out.U8(0);
  out.U32Le(static_cast<uint32_t>(data.size()));
  out.U64Le(0);
  out.Bytes(data);
  return body;
}

inline smb::Bytes WriteBody(uint32_t count) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(17);
  out.U16Le(0);
  out.U32Le(count);
  out.U64Le(0);
  return body;
}

inline smb::Bytes FixedBody(uint16_t structure_size) {
  smb::Bytes body(structure_size & ~1u, 0);
  body[0] = static_cast<uint8_t>(structure_size);
  return body;
}
inline smb::Bytes CloseBody() { return FixedBody(60); }
inline smb::Bytes ErrorBody() { return FixedBody(9); }

inline smb::Bytes ValidateNegotiateOutput(uint32_t capabilities, const smb::Guid& guid,
                                          uint16_t security_mode, uint16_t dialect) {
  smb::Bytes output;
  auto out = ByteWriter::AppendTo(output);
  out.U32Le(capabilities);
  out.Bytes(guid);
  out.U16Le(security_mode);
  out.U16Le(dialect);
  return output;
}

// A logon of one leg whose session key is fixed: a token out, the server's
// success back.
class FixedLogon : public smb::Authenticator {
 public:
  explicit FixedLogon(smb::ByteSpan key) : key_(key) {}
  Step Next(smb::ByteSpan, smb::Bytes* out) override {
    *out = {0x4e, 0x54};
    return calls_++ == 0 ? Step::kContinue : Step::kDone;
  }
  const smb::SecretBytes& SessionKey() const override { return key_; }
  smb::LogonMechanism mechanism() const override { return smb::LogonMechanism::kNtlm; }
  uint32_t failure() const override { return 0; }
  std::string account() const override { return "user"; }

 private:
  smb::SecretBytes key_;
  int calls_ = 0;
};

// What a server of `dialect` answers the negotiation with: signing enabled,
// AES-128-GCM on 3.1.1.
inline smb::NegotiateResponse ServerNegotiation(smb::Dialect dialect, uint32_t capabilities = 0) {
  smb::NegotiateResponse r;
  r.security_mode = smb::kSigningEnabled;
  r.dialect = static_cast<uint16_t>(dialect);
  r.server_guid.fill(0x5a);
  r.capabilities = capabilities;
  r.max_transact_size = r.max_read_size = r.max_write_size = 65536;
  if (dialect == smb::Dialect::k311) {
    r.preauth_hash_algorithm = smb::kPreauthSha512;
    r.cipher = smb::kCipherAes128Gcm;
  }
  return r;
}

// Scripts the negotiation of `negotiation` and a logon of one leg whose
// success carries `session_flags`, sealed as `seal`; the server takes `key`
// as the session key.
inline void ScriptLogon(ScriptedSmb2Server& server, const smb::NegotiateResponse& negotiation,
                        smb::ByteSpan key, uint16_t session_flags, Seal seal) {
  server.dialect = static_cast<smb::Dialect>(negotiation.dialect);
  if (server.dialect != smb::Dialect::k311) server.cipher = smb::Cipher::kAes128Ccm;
  server.signing = negotiation.signing_algorithm
                       ? static_cast<smb::SigningAlgorithm>(*negotiation.signing_algorithm)
                   : server.dialect >= smb::Dialect::k300 ? smb::SigningAlgorithm::kAesCmac
                                                           : smb::SigningAlgorithm::kHmacSha256;
  server.session_key.Assign(key);
  server.Answer({smb::Command::kNegotiate, 0, NegotiateBody(negotiation)});
  server.Answer({smb::Command::kSessionSetup, 0, SessionSetupBody(session_flags, {}), seal});
}

}  // namespace winreach::testing
