// An SMB2 server that follows a script, for the connection's tests. It keeps
// every request (decrypted when it came in a transform) and answers each
// Receive with the next reply of its script, made as a server makes one: the
// server flag, the command, the message id of the request it answers,
// credits; signed or encrypted with the keys the session derives from
// `session_key` and, on 3.1.1, from the preauthentication hash of what went
// each way. A message of several requests (a chain) is kept as one request
// each; a reply marked `chained` goes out in one message with the reply
// after it, each answering its request of the chain in turn.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "smb/authenticator.h"
#include "smb/message_transport.h"
#include "smb/nt_status.h"
#include "smb/preauth_hash.h"
#include "smb/smb2_keys.h"
#include "smb/smb2_messages.h"
#include "smb/smb2_signing.h"
#include "smb/transform.h"

namespace winreach::testing {

enum class Seal { kPlain, kSigned, kBadlySigned, kEncrypted };

struct Smb2Reply {
  Smb2Reply(smb::Command command, uint32_t status, smb::Bytes body, Seal seal = Seal::kPlain,
            uint32_t flags = 0, std::optional<uint64_t> message_id = {}, uint16_t credits = 1)
      : command(command), status(status), body(std::move(body)), seal(seal), flags(flags),
        message_id(message_id), credits(credits) {}
  explicit Smb2Reply(smb::ByteSpan raw) : raw(raw.begin(), raw.end()) {}

  smb::Command command = smb::Command::kNegotiate;
  uint32_t status = 0;
  smb::Bytes body;
  Seal seal = Seal::kPlain;
  uint32_t flags = 0;                  // besides SERVER_TO_REDIR
  std::optional<uint64_t> message_id;  // the request's when not given
  uint16_t credits = 1;
  smb::Bytes raw;  // when not empty, sent as it is
  bool chained = false;  // the next reply goes in the same message
};

class ScriptedSmb2Server : public smb::MessageTransport {
 public:
  struct Received {
    smb::Header header;
    bool encrypted = false;
    smb::Bytes body;  // after the header
  };
  static constexpr uint32_t kGone = 64;  // what Send and Receive fail with

  smb::Dialect dialect = smb::Dialect::k311;
  smb::SecretBytes session_key;
  smb::Cipher cipher = smb::Cipher::kAes128Gcm;
  smb::SigningAlgorithm signing = smb::SigningAlgorithm::kAesCmac;
  uint64_t session_id = 0x100000000009;
  std::deque<Smb2Reply> script;
  std::vector<Received> requests;
  // Changes the next message before it is sealed: a lying server.
  std::function<void(smb::Bytes&)> tamper;

  void Answer(Smb2Reply reply) { script.push_back(std::move(reply)); }

  smb::SessionKeys Keys() const {
    return smb::DeriveSessionKeys(dialect, session_key.span(), hash_.span(), cipher);
  }

  uint32_t Send(smb::ByteSpan message) override {
    const bool encrypted = smb::IsTransformMessage(message);
    smb::Bytes plain(message.begin(), message.end());
    uint64_t id = 0;
    if (encrypted && smb::DecryptMessage(cipher, Keys().encryption.span(), message, &id, &plain) !=
                         smb::TransformError::kNone) {
      return kGone;
    }
    last_chain_ = 0;
    for (smb::ByteSpan rest = plain;;) {
      Received request{{}, encrypted, {}};
      if (!smb::ParseHeader(rest, &request.header)) return kGone;
      const size_t size = request.header.next_command != 0
                              ? std::min<size_t>(request.header.next_command, rest.size())
                              : rest.size();
      if (request.header.command == smb::Command::kNegotiate ||
          request.header.command == smb::Command::kSessionSetup) {
        hash_.Update(rest.first(size));
      }
      request.body.assign(rest.begin() + std::min(size, smb::kHeaderSize), rest.begin() + size);
      const bool last = request.header.next_command == 0 || size == rest.size();
      requests.push_back(std::move(request));
      ++last_chain_;
      if (last) break;
      rest = rest.subspan(size);
    }
    return 0;
  }

  uint32_t Receive(smb::Bytes* out) override {
    if (script.empty() || requests.empty()) return kGone;
    out->clear();
    size_t index = 0;
    bool chained = true;
    smb::Bytes chain;
    while (chained && !script.empty()) {
      Smb2Reply reply = std::move(script.front());
      script.pop_front();
      chained = reply.chained;
      smb::Bytes one = Make(std::move(reply), index++, chained);
      chain.insert(chain.end(), one.begin(), one.end());
    }
    if (tamper) {
      tamper(chain);
      tamper = nullptr;
    }
    if (encrypting_) {
      smb::Bytes nonce(smb::CipherNonceSize(cipher), 0);
      nonce[0] = ++nonces_;
      smb::Bytes sealed;
      smb::EncryptMessage(cipher, Keys().decryption.span(), session_id, nonce, chain, &sealed);
      chain = std::move(sealed);
      encrypting_ = false;
    }
    *out = std::move(chain);
    return 0;
  }

 private:
  // One reply: the `index`th of its message, padded and linked to the next
  // when `linked`.
  smb::Bytes Make(Smb2Reply reply, size_t index, bool linked) {
    if (!reply.raw.empty()) return std::move(reply.raw);
    // A chain's replies answer the requests of the last chain in turn.
    const size_t first = requests.size() - std::min(requests.size(), last_chain_);
    const smb::Header& asked =
        linked || index > 0 ? requests[std::min(first + index, requests.size() - 1)].header
                            : requests.back().header;
    smb::Header header;
    header.command = reply.command;
    header.status = reply.status;
    header.credits = reply.credits;
    header.flags = smb::kFlagServerToRedir | reply.flags;
    header.message_id = reply.message_id.value_or(asked.message_id);
    header.async_id = 1;
    header.tree_id = asked.tree_id;
    header.session_id = reply.command == smb::Command::kNegotiate ? 0 : session_id;
    const size_t padded = (smb::kHeaderSize + reply.body.size() + 7) & ~size_t{7};
    if (linked) header.next_command = static_cast<uint32_t>(padded);
    smb::Bytes message = smb::Request(header, reply.body);
    if (linked) message.resize(padded, 0);
    // The preauthentication hash takes every answer before the session's last.
    if (reply.command == smb::Command::kNegotiate ||
        (reply.command == smb::Command::kSessionSetup &&
         reply.status == smb::kStatusMoreProcessingRequired)) {
      hash_.Update(message);
    }
    const smb::SessionKeys keys = Keys();
    if (reply.seal == Seal::kSigned || reply.seal == Seal::kBadlySigned) {
      smb::SignMessage(signing, keys.signing.span(), message);
      if (reply.seal == Seal::kBadlySigned) message[smb::kSignatureOffset] ^= 1;
    } else if (reply.seal == Seal::kEncrypted) {
      encrypting_ = true;
    }
    return message;
  }

  smb::PreauthHash hash_;
  uint8_t nonces_ = 0;
  size_t last_chain_ = 0;   // requests in the last message received
  bool encrypting_ = false; // the message being made goes in a transform
};

// Response bodies; their offsets count from the header's start, 64 bytes
// before the body.

inline smb::Bytes NegotiateBody(const smb::NegotiateResponse& r) {
  const bool contexts = r.dialect == smb::kDialect311;
  const size_t after_token = 128 + r.security_buffer.size();
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(65);
  out.U16Le(r.security_mode);
  out.U16Le(r.dialect);
  out.U16Le(contexts ? (r.signing_algorithm ? 3 : 2) : 0);
  out.Bytes(r.server_guid);
  out.U32Le(r.capabilities);
  out.U32Le(r.max_transact_size);
  out.U32Le(r.max_read_size);
  out.U32Le(r.max_write_size);
  out.Bytes(smb::Bytes(16, 0));  // times
  out.U16Le(128);
  out.U16Le(static_cast<uint16_t>(r.security_buffer.size()));
  out.U32Le(contexts ? static_cast<uint32_t>((after_token + 7) & ~size_t{7}) : 0);
  out.Bytes(r.security_buffer);
  // Each context's data: a count of one, then two words.
  auto context = [&](uint16_t type, uint16_t second, uint16_t third) {
    while (body.size() % 8 != 0) out.U8(0);
    out.U16Le(type);
    out.U16Le(6);
    out.U32Le(0);
    for (const uint16_t word : {uint16_t{1}, second, third}) out.U16Le(word);
  };
  if (contexts) {
    context(smb::kPreauthIntegrityCapabilities, 0, r.preauth_hash_algorithm);  // no salt
    context(smb::kEncryptionCapabilities, r.cipher, 0);
    if (r.signing_algorithm) context(smb::kSigningCapabilities, *r.signing_algorithm, 0);
  }
  return body;
}

inline smb::Bytes SessionSetupBody(uint16_t session_flags, smb::ByteSpan token) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(9);
  out.U16Le(session_flags);
  out.U16Le(72);
  out.U16Le(static_cast<uint16_t>(token.size()));
  out.Bytes(token);
  return body;
}

inline smb::Bytes TreeConnectBody(uint8_t share_type, uint32_t share_flags = 0) {
  smb::Bytes body{16, 0, share_type, 0};
  ByteWriter::AppendTo(body).U32Le(share_flags);
  body.resize(16, 0);
  return body;
}

inline smb::Bytes CreateBody(const smb::FileId& file) {
  smb::Bytes body(64, 0);
  body[0] = 89;
  body.insert(body.end(), file.bytes.begin(), file.bytes.end());
  body.resize(88, 0);  // no create contexts
  return body;
}

// An IOCTL's or a READ's answer: its output or data right after the body.
inline smb::Bytes IoctlBody(uint32_t ctl_code, const smb::FileId& file, smb::ByteSpan output) {
  smb::Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U32Le(49);
  out.U32Le(ctl_code);
  out.Bytes(file.bytes);
  for (const size_t word : {size_t{112}, size_t{0}, size_t{112}, output.size()}) {
    out.U32Le(static_cast<uint32_t>(word));
  }
  out.U64Le(0);  // flags, reserved
  out.Bytes(output);
  return body;
}
inline smb::Bytes ReadBody(smb::ByteSpan data) {
  smb::Bytes body{17, 0, 80, 0};
  ByteWriter::AppendTo(body).U32Le(static_cast<uint32_t>(data.size()));
  body.resize(16, 0);
  body.insert(body.end(), data.begin(), data.end());
  return body;
}

// Bodies of nothing but their structure size (the error body's is 9).
inline smb::Bytes FixedBody(uint8_t structure_size) {
  smb::Bytes body(structure_size & ~1u, 0);
  body[0] = structure_size;
  return body;
}

// A logon of one leg with a fixed session key: a token out, success back.
// An anonymous one has no key.
class FixedLogon : public smb::Authenticator {
 public:
  explicit FixedLogon(smb::ByteSpan key,
                      smb::LogonMechanism mechanism = smb::LogonMechanism::kNtlm)
      : key_(mechanism == smb::LogonMechanism::kAnonymous ? smb::ByteSpan() : key),
        mechanism_(mechanism) {}
  Step Next(smb::ByteSpan, smb::Bytes* out) override {
    *out = {0x4e, 0x54};
    return calls_++ == 0 ? Step::kContinue : Step::kDone;
  }
  const smb::SecretBytes& SessionKey() const override { return key_; }
  smb::LogonMechanism mechanism() const override { return mechanism_; }
  bool server_proven() const override { return proven; }

  bool proven = true;  // as if the server's mechListMIC had verified
  uint32_t failure() const override { return 0; }
  std::u16string account() const override { return u"user"; }

 private:
  smb::SecretBytes key_;
  smb::LogonMechanism mechanism_;
  int calls_ = 0;
};

// A server of `dialect` that enables signing; AES-128-GCM on 3.1.1.
inline smb::NegotiateResponse ServerNegotiation(smb::Dialect dialect, uint32_t capabilities = 0) {
  smb::NegotiateResponse r;
  r.security_mode = smb::kSigningEnabled;
  r.dialect = static_cast<uint16_t>(dialect);
  r.server_guid.fill(0x5a);
  r.capabilities = capabilities;
  r.max_transact_size = r.max_read_size = r.max_write_size = 65536;
  r.preauth_hash_algorithm = smb::kPreauthSha512;
  r.cipher = smb::kCipherAes128Gcm;
  return r;
}

// Scripts `negotiation` and a logon of one leg whose success carries
// `session_flags`, sealed as `seal`, with `key` as the session key.
inline void ScriptLogon(ScriptedSmb2Server& server, const smb::NegotiateResponse& negotiation,
                        smb::ByteSpan key, uint16_t session_flags, Seal seal) {
  server.dialect = static_cast<smb::Dialect>(negotiation.dialect);
  const bool smb3 = server.dialect >= smb::Dialect::k300;
  if (server.dialect != smb::Dialect::k311) server.cipher = smb::Cipher::kAes128Ccm;
  server.signing = smb3 ? smb::SigningAlgorithm::kAesCmac : smb::SigningAlgorithm::kHmacSha256;
  server.session_key.Assign(key);
  server.Answer({smb::Command::kNegotiate, 0, NegotiateBody(negotiation)});
  server.Answer({smb::Command::kSessionSetup, 0, SessionSetupBody(session_flags, {}), seal});
}

}  // namespace winreach::testing
