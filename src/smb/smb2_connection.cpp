#include "smb/smb2_connection.h"

#include <algorithm>
#include <array>
#include <deque>

#include "platform/bytes.h"
#include "smb/nt_status.h"
#include "smb/transform.h"

namespace winreach::smb {

namespace {

constexpr uint64_t kNotificationMessageId = 0xFFFFFFFFFFFFFFFF;
// Each request asks for this many credits: enough that the server's grants
// never leave a run waiting, few enough to cost the server nothing.
constexpr uint16_t kCreditsAsked = 32;
// A request's answer may follow an interim answer, and unsolicited
// notifications may come between; a server that sends more of them than
// this is not answering.
constexpr int kMaxSkippedPerRequest = 16;
// Without multi-credit requests one message moves at most 64 KiB.
constexpr uint32_t kSingleCreditPayload = 65536;

constexpr Dialect kDialects[] = {Dialect::k202, Dialect::k210, Dialect::k300, Dialect::k302,
                                 Dialect::k311};

bool IsSmb3(Dialect dialect) { return dialect >= Dialect::k300; }

// An SMB1 header: what an SMB1-only server answers an SMB2 negotiate with.
bool IsSmb1Message(ByteSpan message) {
  return message.size() >= 4 && message[0] == 0xFF && message[1] == 'S' && message[2] == 'M' &&
         message[3] == 'B';
}

}  // namespace

Smb2Connection::Smb2Connection(MessageTransport& transport, ClientSettings settings,
                               RandomSource random)
    : transport_(transport), settings_(settings), random_(std::move(random)) {}

uint32_t Smb2Connection::max_read_size() const {
  return std::min(negotiated_.max_read_size, kSingleCreditPayload);
}

SmbResult Smb2Connection::Negotiate() {
  offered_ = {};
  for (Dialect dialect : kDialects) {
    if (dialect >= settings_.min_dialect && dialect <= settings_.max_dialect) {
      offered_.dialects.push_back(static_cast<uint16_t>(dialect));
    }
  }
  if (offered_.dialects.empty()) return SmbResult::Protocol(ProtocolFault::kNoCommonDialect);
  offered_.security_mode = kSigningEnabled;
  if (settings_.signing == ClientSettings::Signing::kRequired) {
    offered_.security_mode |= kSigningRequired;
  }
  const bool smb3 = IsSmb3(settings_.max_dialect);
  if (smb3 && settings_.encryption != ClientSettings::Encryption::kOff) {
    offered_.capabilities |= kCapEncryption;
  }
  // A client that offers only 2.0.2 sends a zero GUID.
  const bool only_202 = offered_.dialects.size() == 1 && offered_.dialects[0] == 0x0202;
  if (!only_202 && !random_(offered_.client_guid)) {
    return SmbResult::Protocol(ProtocolFault::kLogon);
  }
  if (settings_.max_dialect == Dialect::k311) {
    if (!random_(offered_.salt)) return SmbResult::Protocol(ProtocolFault::kLogon);
    // In the order of preference: the faster ciphers and signatures first.
    offered_.ciphers = {static_cast<uint16_t>(Cipher::kAes128Gcm),
                        static_cast<uint16_t>(Cipher::kAes128Ccm),
                        static_cast<uint16_t>(Cipher::kAes256Gcm),
                        static_cast<uint16_t>(Cipher::kAes256Ccm)};
    offered_.signing_algorithms = {static_cast<uint16_t>(SigningAlgorithm::kAesGmac),
                                   static_cast<uint16_t>(SigningAlgorithm::kAesCmac),
                                   static_cast<uint16_t>(SigningAlgorithm::kHmacSha256)};
  }
  uint64_t wildcard = 0;
  SmbResult result = NegotiateOnce(&wildcard);
  // A server that answers with the wildcard dialect wants the negotiation
  // again (it took the first for SMB1's multi-protocol negotiate).
  if (result.ok() && wildcard != 0) result = NegotiateOnce(&wildcard);
  if (result.ok() && wildcard != 0) return SmbResult::Protocol(ProtocolFault::kUnexpected);
  return result;
}

SmbResult Smb2Connection::NegotiateOnce(uint64_t* wildcard) {
  connection_hash_ = PreauthHash();
  Bytes sent;
  uint64_t message_id = 0;
  const Bytes body = NegotiateRequestBody(offered_);
  if (SmbResult r = SendRequest(Command::kNegotiate, body, &message_id, &sent); !r.ok()) {
    return r;
  }
  Exchange exchange;
  SmbResult r = ReceiveResponse(Command::kNegotiate, message_id, &exchange);
  if (r.kind == SmbResult::Kind::kProtocol && r.fault == ProtocolFault::kMalformed &&
      IsSmb1Message(exchange.message)) {
    return SmbResult::Protocol(ProtocolFault::kNoCommonDialect);
  }
  if (!r.ok()) return r;
  if (r = StatusOf(exchange); !r.ok()) return r;
  NegotiateResponse response;
  if (!ParseNegotiateResponse(exchange.message, &response)) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  *wildcard = 0;
  if (response.dialect == kDialectWildcard) {
    *wildcard = 1;
    return SmbResult::Ok();
  }
  if (std::find(offered_.dialects.begin(), offered_.dialects.end(), response.dialect) ==
      offered_.dialects.end()) {
    return SmbResult::Protocol(ProtocolFault::kNoCommonDialect);
  }
  const auto dialect = static_cast<Dialect>(response.dialect);
  if (dialect == Dialect::k311) {
    const auto offered_cipher = std::find(offered_.ciphers.begin(), offered_.ciphers.end(),
                                          response.cipher) != offered_.ciphers.end();
    const auto offered_signing =
        !response.signing_algorithm ||
        std::find(offered_.signing_algorithms.begin(), offered_.signing_algorithms.end(),
                  *response.signing_algorithm) != offered_.signing_algorithms.end();
    if (response.preauth_hash_algorithm != kPreauthSha512 || (response.cipher != 0 && !offered_cipher) ||
        !offered_signing) {
      return SmbResult::Protocol(ProtocolFault::kUnexpected);
    }
    connection_hash_.Update(sent);
    connection_hash_.Update(exchange.message);
  }
  negotiated_ = std::move(response);
  negotiated_ok_ = true;
  session_ = {};
  session_.dialect = dialect;
  return SmbResult::Ok();
}

SmbResult Smb2Connection::SessionSetup(Authenticator& authenticator) {
  if (!negotiated_ok_) return SmbResult::Protocol(ProtocolFault::kUnexpected);
  ForgetSession();
  PreauthHash hash = connection_hash_;
  const bool preauth = session_.dialect == Dialect::k311;
  Bytes token(negotiated_.security_buffer.begin(), negotiated_.security_buffer.end());
  // A client that will sign says it requires signing: then the server signs
  // its last answer on every dialect, and that signature is checked before
  // the answer's flags are believed.
  const uint8_t security_mode = WillSign(authenticator) ? kSigningRequired : kSigningEnabled;
  // Bounded, whatever the mechanism: no logon takes more than a few legs.
  for (int leg = 0; leg < 8; ++leg) {
    Bytes out;
    const Authenticator::Step step = authenticator.Next(token, &out);
    if (step != Authenticator::Step::kContinue) return SmbResult::Protocol(ProtocolFault::kLogon);
    const Bytes body = SessionSetupRequestBody(security_mode, 0, out);
    Bytes sent;
    uint64_t message_id = 0;
    if (SmbResult r = SendRequest(Command::kSessionSetup, body, &message_id, &sent); !r.ok()) {
      ForgetSession();
      return r;
    }
    if (preauth) hash.Update(sent);
    Exchange exchange;
    if (SmbResult r = ReceiveResponse(Command::kSessionSetup, message_id, &exchange); !r.ok()) {
      ForgetSession();
      return r;
    }
    const uint32_t status = exchange.header.status;
    if (status != kStatusSuccess && status != kStatusMoreProcessingRequired) {
      ForgetSession();
      return SmbResult::Status(status);
    }
    if (session_id_ != 0 && exchange.header.session_id != session_id_) {
      ForgetSession();
      return SmbResult::Protocol(ProtocolFault::kUnexpected);
    }
    session_id_ = exchange.header.session_id;
    SessionSetupResponse response;
    if (!ParseSessionSetupResponse(exchange.message, &response)) {
      ForgetSession();
      return SmbResult::Protocol(ProtocolFault::kMalformed);
    }
    if (status == kStatusSuccess) {
      const SmbResult r = FinishSession(authenticator, exchange, response, hash);
      if (!r.ok()) ForgetSession();
      return r;
    }
    if (preauth) hash.Update(exchange.message);
    token = std::move(response.security_buffer);
  }
  ForgetSession();
  return SmbResult::Protocol(ProtocolFault::kUnexpected);
}

bool Smb2Connection::WillSign(const Authenticator& authenticator) const {
  using Signing = ClientSettings::Signing;
  return authenticator.mechanism() != LogonMechanism::kAnonymous &&
         ((negotiated_.security_mode & kSigningRequired) != 0 ||
          settings_.signing == Signing::kRequired || settings_.signing == Signing::kDesired);
}

SmbResult Smb2Connection::FinishSession(Authenticator& authenticator, const Exchange& last,
                                        const SessionSetupResponse& response,
                                        const PreauthHash& hash) {
  Bytes out;
  if (authenticator.Next(response.security_buffer, &out) != Authenticator::Step::kDone) {
    return SmbResult::Protocol(ProtocolFault::kLogon);
  }
  const Dialect dialect = session_.dialect;
  const bool credentials = authenticator.mechanism() != LogonMechanism::kAnonymous;
  const bool says_guest = (response.session_flags & kSessionFlagIsGuest) != 0;
  const bool says_null = (response.session_flags & kSessionFlagIsNull) != 0;
  // A guest session cannot sign and proves nothing: whether the server took
  // the account for its guest or someone set the flag on the way, the
  // credentials offered must not go on as a session nobody protects.
  if (credentials && says_guest) return SmbResult::Protocol(ProtocolFault::kGuestLogonBlocked);
  if (!credentials) {
    // Nothing was proven and nothing is at stake: an anonymous logon has no
    // key, and its session neither signs nor encrypts.
    session_.guest = says_guest;
    session_.anonymous = true;
  } else {
    if (authenticator.SessionKey().empty()) return SmbResult::Protocol(ProtocolFault::kLogon);
    // 3.1.1 names its cipher in the negotiation; 3.0 and 3.0.2 have one,
    // when the server can encrypt at all.
    if (dialect == Dialect::k311 && negotiated_.cipher != 0) {
      session_.cipher = static_cast<Cipher>(negotiated_.cipher);
    } else if (IsSmb3(dialect) && dialect != Dialect::k311 &&
               (negotiated_.capabilities & kCapEncryption) != 0) {
      session_.cipher = Cipher::kAes128Ccm;
    }
    keys_ = DeriveSessionKeys(dialect, authenticator.SessionKey().span(), hash.value(),
                              session_.cipher.value_or(Cipher::kAes128Ccm));
    session_.signing_algorithm =
        dialect == Dialect::k311 && negotiated_.signing_algorithm
            ? static_cast<SigningAlgorithm>(*negotiated_.signing_algorithm)
        : IsSmb3(dialect) ? SigningAlgorithm::kAesCmac
                          : SigningAlgorithm::kHmacSha256;
    // The last answer's signature is the server's proof that it holds the
    // key (and, on 3.1.1, saw the whole negotiation): none of its flags is
    // believed before it verifies. 3.1.1 always signs it; on the older
    // dialects the server signs it because our request said we require
    // signing. One that does not verify is someone else's answer.
    const bool flagged = (last.header.flags & kFlagSigned) != 0;
    const bool verified =
        flagged && !last.encrypted &&
        VerifyMessage(*session_.signing_algorithm, keys_.signing.span(), last.message);
    // A logon that did not prove the server's key itself needs the
    // signature as that proof.
    if (!verified && (flagged || dialect == Dialect::k311 || WillSign(authenticator) ||
                      !authenticator.server_proven())) {
      return Break(SmbResult::Protocol(ProtocolFault::kBadSignature));
    }
    // A null session is what an anonymous logon gets, never a keyed one.
    if (says_null) return Break(SmbResult::Protocol(ProtocolFault::kUnexpected));
  }
  // From here on a session with credentials has a key the server proved.
  session_.signing = WillSign(authenticator);
  if (!credentials && settings_.signing == ClientSettings::Signing::kRequired) {
    return SmbResult::Protocol(ProtocolFault::kSigningUnavailable);
  }
  using Encryption = ClientSettings::Encryption;
  const bool demanded = (response.session_flags & kSessionFlagEncryptData) != 0 ||
                        settings_.encryption == Encryption::kRequired;
  const bool possible = credentials && session_.cipher.has_value();
  if (demanded && !possible) return SmbResult::Protocol(ProtocolFault::kEncryptionUnavailable);
  session_.encrypting = possible && (demanded || settings_.encryption == Encryption::kDesired);
  return SmbResult::Ok();
}

void Smb2Connection::ForgetSession() {
  session_id_ = 0;
  keys_ = {};
  trees_.clear();
  later_closes_.clear();
  negotiate_validated_ = false;
  const Dialect dialect = session_.dialect;
  session_ = {};
  session_.dialect = dialect;
}

SmbResult Smb2Connection::TreeConnect(std::u16string_view path, uint32_t* tree_id) {
  *tree_id = 0;
  Exchange exchange;
  if (SmbResult r = Send(Command::kTreeConnect, 0, TreeConnectRequestBody(path), &exchange);
      !r.ok()) {
    return r;
  }
  return TreeConnected(exchange, tree_id);
}

SmbResult Smb2Connection::TreeConnected(const Exchange& exchange, uint32_t* tree_id) {
  if (SmbResult r = StatusOf(exchange); !r.ok()) return r;
  TreeConnectResponse response;
  if (!ParseTreeConnectResponse(exchange.message, &response)) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  const uint32_t id = exchange.header.tree_id;
  const bool encrypt = (response.share_flags & kShareFlagEncryptData) != 0;
  if (encrypt && !session_.cipher) {
    // The share wants what this session cannot give; leave it at once.
    trees_[id] = {};
    TreeDisconnect(id);
    return SmbResult::Protocol(ProtocolFault::kEncryptionUnavailable);
  }
  trees_[id] = Tree{encrypt};
  *tree_id = id;
  // Every session with a key validates the negotiation: a 3.1.1 offer cut
  // to 3.0.2 on the way would otherwise go unnoticed on a session that
  // does not sign.
  if (!negotiate_validated_ && session_.signing_algorithm &&
      (session_.dialect == Dialect::k300 || session_.dialect == Dialect::k302)) {
    if (SmbResult r = ValidateNegotiate(id); !r.ok()) return r;
  }
  return SmbResult::Ok();
}

SmbResult Smb2Connection::ValidateNegotiate(uint32_t tree_id) {
  Exchange exchange;
  const Bytes input = ValidateNegotiateInfoInput(offered_.capabilities, offered_.client_guid,
                                                 offered_.security_mode, offered_.dialects);
  const Bytes body = IoctlRequestBody(kFsctlValidateNegotiateInfo, kNoFileId, input, 24);
  // Signed whatever the session's signing; only a signed (or encrypted)
  // answer that verifies gets past Send.
  if (SmbResult r = Send(Command::kIoctl, tree_id, body, &exchange, /*must_sign=*/true);
      !r.ok()) {
    return r;
  }
  const uint32_t status = exchange.header.status;
  // Servers from before validate negotiate answer it with an error of
  // their own (not supported, invalid device request, file closed): a
  // signed error proves the server saw our request, and is accepted. Access
  // denied is what a server says to a negotiation someone changed.
  if (status == kStatusAccessDenied) return Break(SmbResult::Protocol(ProtocolFault::kDowngrade));
  if (status != kStatusSuccess) {
    negotiate_validated_ = true;
    return SmbResult::Ok();
  }
  // Whatever the success says other than a match with what was negotiated
  // means someone changed the negotiation.
  IoctlResponse ioctl;
  ValidateNegotiateInfo answer;
  if (!ParseIoctlResponse(exchange.message, &ioctl) ||
      !ParseValidateNegotiateInfo(ioctl.output, &answer) ||
      answer.capabilities != negotiated_.capabilities || answer.server_guid != negotiated_.server_guid ||
      answer.security_mode != negotiated_.security_mode ||
      answer.dialect != negotiated_.dialect) {
    return Break(SmbResult::Protocol(ProtocolFault::kDowngrade));
  }
  negotiate_validated_ = true;
  return SmbResult::Ok();
}

SmbResult Smb2Connection::TreeDisconnect(uint32_t tree_id) {
  Exchange exchange;
  SmbResult r = Send(Command::kTreeDisconnect, tree_id, TreeDisconnectRequestBody(), &exchange);
  if (r.ok()) r = StatusOf(exchange);
  trees_.erase(tree_id);
  return r;
}

SmbResult Smb2Connection::Create(uint32_t tree_id, const CreateRequest& request,
                                 CreateResponse* response) {
  Exchange exchange;
  if (SmbResult r = Send(Command::kCreate, tree_id, CreateRequestBody(request), &exchange);
      !r.ok()) {
    return r;
  }
  if (SmbResult r = StatusOf(exchange); !r.ok()) return r;
  if (!ParseCreateResponse(exchange.message, response)) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  return SmbResult::Ok();
}

SmbResult Smb2Connection::Close(uint32_t tree_id, const FileId& file) {
  Exchange exchange;
  if (SmbResult r = Send(Command::kClose, tree_id, CloseRequestBody(file), &exchange); !r.ok()) {
    return r;
  }
  return StatusOf(exchange);
}

SmbResult Smb2Connection::Read(uint32_t tree_id, const FileId& file, uint32_t length,
                               uint64_t offset, Bytes* data, bool* more) {
  data->clear();
  *more = false;
  Exchange exchange;
  const Bytes body = ReadRequestBody(file, std::min(length, max_read_size()), offset);
  if (SmbResult r = Send(Command::kRead, tree_id, body, &exchange); !r.ok()) return r;
  if (SmbResult r = StatusOf(exchange, {kStatusBufferOverflow}); !r.ok()) return r;
  ReadResponse response;
  if (!ParseReadResponse(exchange.message, &response) || response.data.size() > length) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  data->assign(response.data.begin(), response.data.end());
  *more = exchange.header.status == kStatusBufferOverflow;
  return SmbResult::Ok();
}

SmbResult Smb2Connection::Write(uint32_t tree_id, const FileId& file, ByteSpan data) {
  if (data.size() > kSingleCreditPayload || data.size() > negotiated_.max_write_size) {
    return SmbResult::Protocol(ProtocolFault::kUnexpected);
  }
  Exchange exchange;
  if (SmbResult r = Send(Command::kWrite, tree_id, WriteRequestBody(file, 0, data), &exchange);
      !r.ok()) {
    return r;
  }
  if (SmbResult r = StatusOf(exchange); !r.ok()) return r;
  WriteResponse response;
  if (!ParseWriteResponse(exchange.message, &response) || response.count != data.size()) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  return SmbResult::Ok();
}

SmbResult Smb2Connection::Transceive(uint32_t tree_id, const FileId& pipe, ByteSpan request,
                                     Bytes* answer, bool* more) {
  answer->clear();
  *more = false;
  const uint32_t max_output = max_transact_size();
  if (request.size() > max_output) return SmbResult::Protocol(ProtocolFault::kUnexpected);
  Exchange exchange;
  const Bytes body = IoctlRequestBody(kFsctlPipeTransceive, pipe, request, max_output);
  if (SmbResult r = Send(Command::kIoctl, tree_id, body, &exchange); !r.ok()) return r;
  return TransceiveAnswer(exchange, max_output, answer, more);
}

SmbResult Smb2Connection::TransceiveAnswer(const Exchange& exchange, uint32_t max_output,
                                           Bytes* answer, bool* more) {
  if (SmbResult r = StatusOf(exchange, {kStatusBufferOverflow}); !r.ok()) return r;
  IoctlResponse response;
  if (!ParseIoctlResponse(exchange.message, &response) || response.output.size() > max_output) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  answer->assign(response.output.begin(), response.output.end());
  *more = exchange.header.status == kStatusBufferOverflow;
  return SmbResult::Ok();
}

uint32_t Smb2Connection::max_transact_size() const {
  return std::min(negotiated_.max_transact_size, kSingleCreditPayload);
}

std::array<Smb2Connection::Chained, 2> Smb2Connection::PipeChain(uint32_t tree_id,
                                                                 const CreateRequest& request,
                                                                 ByteSpan input) const {
  // The IOCTL names no file: a related request acts on the one the CREATE
  // before it opened.
  return {{{Command::kCreate, tree_id, CreateRequestBody(request)},
           {Command::kIoctl, tree_id,
            IoctlRequestBody(kFsctlPipeTransceive, kNoFileId, input, max_transact_size()),
            /*related=*/true}}};
}

SmbResult Smb2Connection::CreateAndTransceive(uint32_t tree_id, const CreateRequest& request,
                                              ByteSpan input, CreateResponse* created,
                                              Bytes* answer, bool* more, SmbResult* transceived) {
  answer->clear();
  *more = false;
  if (!compounding() || credits_ < 2 || input.size() > max_transact_size()) {
    if (SmbResult r = Create(tree_id, request, created); !r.ok()) return r;
    *transceived = Transceive(tree_id, created->file_id, input, answer, more);
    return SmbResult::Ok();
  }
  const auto chain = PipeChain(tree_id, request, input);
  Exchange out[2];
  if (SmbResult r = SendChain(chain, out); !r.ok()) return r;
  return CreatedAndTransceived(tree_id, input, out, created, answer, more, transceived);
}

SmbResult Smb2Connection::CreatedAndTransceived(uint32_t tree_id, ByteSpan input,
                                                std::span<const Exchange, 2> out,
                                                CreateResponse* created, Bytes* answer, bool* more,
                                                SmbResult* transceived) {
  // A failed CREATE fails the IOCTL after it with its own status.
  if (SmbResult r = StatusOf(out[0]); !r.ok()) return r;
  if (!ParseCreateResponse(out[0].message, created)) {
    return SmbResult::Protocol(ProtocolFault::kMalformed);
  }
  const uint32_t status = out[1].header.status;
  if (status == kStatusInvalidParameter || status == kStatusInvalidHandle ||
      status == kStatusFileClosed || status == kStatusNotSupported) {
    // The pipe opened but the related transaction found no file: a server
    // that does not take compounded requests. The transaction goes again
    // on its own, and so does every later request on this connection.
    compound_refused_ = true;
    *transceived = Transceive(tree_id, created->file_id, input, answer, more);
    return SmbResult::Ok();
  }
  *transceived = TransceiveAnswer(out[1], max_transact_size(), answer, more);
  return SmbResult::Ok();
}

bool Smb2Connection::StartTogether(std::span<PipeStart> pipes, std::span<TreeStart> trees) {
  // Within the credits, the closes left for later that may ride along
  // included.
  const size_t requests = 2 * pipes.size() + trees.size() + later_closes_.size();
  if (broken_ || !compounding() || credits_ < requests) return false;
  for (const PipeStart& pipe : pipes) {
    if (pipe.input.size() > max_transact_size()) return false;
  }
  std::deque<Exchange> close_answers;
  std::vector<Awaited> awaited;
  std::vector<std::array<Exchange, 2>> pipe_out(pipes.size());
  std::vector<Exchange> tree_out(trees.size());
  SmbResult sent = SmbResult::Ok();
  for (size_t i = 0; i < pipes.size() && sent.ok(); ++i) {
    const auto chain = PipeChain(pipes[i].tree_id, pipes[i].request, pipes[i].input);
    sent = SendMessage(chain, pipe_out[i], false, &close_answers, &awaited);
  }
  for (size_t i = 0; i < trees.size() && sent.ok(); ++i) {
    const Chained connect{Command::kTreeConnect, 0, TreeConnectRequestBody(trees[i].path)};
    sent = SendMessage({&connect, 1}, {&tree_out[i], 1}, false, &close_answers, &awaited);
  }
  if (sent.ok()) sent = Break(ReceiveAll(awaited));
  for (size_t i = 0; i < pipes.size(); ++i) {
    PipeStart& pipe = pipes[i];
    pipe.opened = sent.ok() ? CreatedAndTransceived(pipe.tree_id, pipe.input, pipe_out[i],
                                                    &pipe.created, &pipe.answer, &pipe.more,
                                                    &pipe.transceived)
                            : sent;
  }
  for (size_t i = 0; i < trees.size(); ++i) {
    trees[i].result = sent.ok() ? TreeConnected(tree_out[i], &trees[i].tree_id) : sent;
  }
  return true;
}

SmbResult Smb2Connection::Logoff() {
  if (session_id_ == 0) return SmbResult::Ok();
  Exchange exchange;
  SmbResult r = Send(Command::kLogoff, 0, LogoffRequestBody(), &exchange);
  if (r.ok()) r = StatusOf(exchange);
  ForgetSession();
  return r;
}

SmbResult Smb2Connection::StatusOf(const Exchange& exchange,
                                   std::initializer_list<uint32_t> also_ok) {
  const uint32_t status = exchange.header.status;
  if (status == kStatusSuccess ||
      std::find(also_ok.begin(), also_ok.end(), status) != also_ok.end()) {
    return SmbResult::Ok();
  }
  return SmbResult::Status(status);
}

bool Smb2Connection::ShouldEncrypt(uint32_t tree_id) const {
  if (!session_.cipher || session_id_ == 0) return false;
  if (session_.encrypting) return true;
  const auto tree = trees_.find(tree_id);
  return tree != trees_.end() && tree->second.encrypt;
}

SmbResult Smb2Connection::Send(Command command, uint32_t tree_id, ByteSpan body, Exchange* out,
                               bool must_sign) {
  const Chained request{command, tree_id, Bytes(body.begin(), body.end())};
  return SendChain({&request, 1}, {out, 1}, must_sign);
}

SmbResult Smb2Connection::Break(SmbResult result) {
  if (result.kind == SmbResult::Kind::kTransport || result.kind == SmbResult::Kind::kProtocol) {
    if (!broken_) broken_ = result;
  }
  return result;
}

SmbResult Smb2Connection::SendRequest(Command command, ByteSpan body, uint64_t* message_id,
                                      Bytes* sent) {
  // Only the negotiation and the logon go this way: before a session has
  // its keys, nothing is signed or encrypted (every later request goes
  // through SendChain).
  if (broken_) return *broken_;
  if (credits_ == 0) return Break(SmbResult::Protocol(ProtocolFault::kNoCredits));
  Header header;
  header.command = command;
  header.credit_charge =
      command == Command::kNegotiate || session_.dialect == Dialect::k202 ? 0 : 1;
  header.credits = kCreditsAsked;
  header.message_id = next_message_id_++;
  header.session_id = session_id_;
  --credits_;
  *message_id = header.message_id;
  *sent = Request(header, body);
  if (const uint32_t error = transport_.Send(*sent); error != 0) {
    return Break(SmbResult::Transport(error));
  }
  return SmbResult::Ok();
}

SmbResult Smb2Connection::ReceiveResponse(Command command, uint64_t message_id, Exchange* out) {
  Awaited awaited{command, message_id, 0, false, out};
  return Break(ReceiveAll({&awaited, 1}));
}

bool Smb2Connection::compounding() const {
  return negotiated_ok_ && session_.dialect >= Dialect::k210 && !compound_refused_;
}

void Smb2Connection::CloseLater(uint32_t tree_id, const FileId& file) {
  if (broken_ || session_id_ == 0 || !trees_.contains(tree_id)) return;
  if (!compounding()) {
    Close(tree_id, file);
    return;
  }
  later_closes_.push_back({tree_id, file});
}

SmbResult Smb2Connection::SendChain(std::span<const Chained> requests, std::span<Exchange> out,
                                    bool must_sign) {
  if (broken_) return *broken_;
  if (credits_ < requests.size()) return Break(SmbResult::Protocol(ProtocolFault::kNoCredits));
  std::deque<Exchange> close_answers;
  std::vector<Awaited> awaited;
  if (SmbResult r = SendMessage(requests, out, must_sign, &close_answers, &awaited); !r.ok()) {
    return r;
  }
  return Break(ReceiveAll(awaited));
}

SmbResult Smb2Connection::SendMessage(std::span<const Chained> requests, std::span<Exchange> out,
                                      bool must_sign, std::deque<Exchange>* close_answers,
                                      std::vector<Awaited>* awaited) {
  // The closes left for later ride in front, when the message can take
  // them: encrypted the same way (one transform carries the whole message)
  // and within the credits.
  const bool encrypt = ShouldEncrypt(requests.front().tree_id);
  std::vector<Chained> all;
  std::vector<LaterClose> kept;
  for (const LaterClose& close : later_closes_) {
    if (!trees_.contains(close.tree_id)) continue;  // went with its tree
    if (compounding() && ShouldEncrypt(close.tree_id) == encrypt &&
        credits_ >= requests.size() + all.size() + 1) {
      all.push_back({Command::kClose, close.tree_id, CloseRequestBody(close.file)});
    } else {
      kept.push_back(close);
    }
  }
  later_closes_ = std::move(kept);
  const size_t closes = all.size();
  all.insert(all.end(), requests.begin(), requests.end());

  Bytes message;
  const bool keyed = session_.signing_algorithm.has_value();
  for (size_t i = 0; i < all.size(); ++i) {
    const Chained& request = all[i];
    const bool last = i + 1 == all.size();
    Header header;
    header.command = request.command;
    header.credit_charge = session_.dialect == Dialect::k202 ? 0 : 1;
    header.credits = kCreditsAsked;
    header.flags = request.related ? kFlagRelatedOperations : 0;
    header.message_id = next_message_id_++;
    header.tree_id = request.tree_id;
    header.session_id = session_id_;
    // Each request of a chain starts on an 8-byte boundary; the padding
    // belongs to the one before it, and to its signature.
    const size_t padded = (kHeaderSize + request.body.size() + 7) & ~size_t{7};
    header.next_command = last ? 0 : static_cast<uint32_t>(padded);
    --credits_;
    Bytes element = Request(header, request.body);
    if (!last) element.resize(padded, 0);
    // As for a request alone: signed on a signing session, and a 3.1.1
    // tree connect always; inside a transform nothing is signed.
    const bool sign = keyed && (session_.signing || must_sign ||
                                (session_.dialect == Dialect::k311 &&
                                 request.command == Command::kTreeConnect));
    if (!encrypt && sign) SignMessage(*session_.signing_algorithm, keys_.signing.span(), element);
    message.insert(message.end(), element.begin(), element.end());
    // A deque's elements stay where they are as it grows.
    Exchange* answer = i < closes ? &close_answers->emplace_back() : &out[i - closes];
    awaited->push_back({request.command, header.message_id, request.tree_id, must_sign, answer});
  }
  if (encrypt) {
    Bytes nonce(CipherNonceSize(*session_.cipher), 0);
    const uint64_t counter = ++nonce_counter_;
    for (size_t i = 0; i < 8; ++i) nonce[i] = static_cast<uint8_t>(counter >> (8 * i));
    Bytes sealed;
    if (!EncryptMessage(*session_.cipher, keys_.encryption.span(), session_id_, nonce, message,
                        &sealed)) {
      return Break(SmbResult::Protocol(ProtocolFault::kBadEncryption));
    }
    message = std::move(sealed);
  }
  if (const uint32_t error = transport_.Send(message); error != 0) {
    return Break(SmbResult::Transport(error));
  }
  return SmbResult::Ok();
}

SmbResult Smb2Connection::ReceiveAll(std::span<Awaited> awaited) {
  size_t waiting = awaited.size();
  // Notifications may come between the answers: a bounded number of them
  // per request (and of interim answers, counted by each request).
  size_t skipped = 0;
  while (waiting > 0) {
    Bytes raw;
    if (const uint32_t error = transport_.Receive(&raw); error != 0) {
      return SmbResult::Transport(error);
    }
    const bool encrypted = IsTransformMessage(raw);
    Bytes message;
    if (encrypted) {
      uint64_t session_id = 0;
      if (!session_.cipher || keys_.decryption.empty() ||
          DecryptMessage(*session_.cipher, keys_.decryption.span(), raw, &session_id, &message) !=
              TransformError::kNone ||
          session_id != session_id_) {
        return SmbResult::Protocol(ProtocolFault::kBadEncryption);
      }
    } else {
      message = std::move(raw);
    }
    // What a lone request got, whatever it is: the negotiation looks for an
    // SMB1 answer in it.
    if (awaited.size() == 1) awaited[0].out->message = message;
    // The answers in the message, each checked against what is left of it.
    ByteSpan rest = message;
    for (;;) {
      Header header;
      if (!ParseHeader(rest, &header)) return SmbResult::Protocol(ProtocolFault::kMalformed);
      size_t length = rest.size();
      if (header.next_command != 0) {
        if (header.next_command % 8 != 0 || header.next_command < kHeaderSize ||
            header.next_command >= rest.size()) {
          return SmbResult::Protocol(ProtocolFault::kMalformed);
        }
        length = header.next_command;
      }
      bool skip = false;
      if (SmbResult r = TakeAnswer(rest.first(length), header, encrypted, awaited, &skip);
          !r.ok()) {
        return r;
      }
      if (skip) {
        if (++skipped > kMaxSkippedPerRequest * awaited.size()) {
          return SmbResult::Protocol(ProtocolFault::kUnexpected);
        }
      } else {
        --waiting;
      }
      if (header.next_command == 0) break;
      rest = rest.subspan(length);
    }
  }
  return SmbResult::Ok();
}

SmbResult Smb2Connection::TakeAnswer(ByteSpan element, const Header& header, bool encrypted,
                                     std::span<Awaited> awaited, bool* skipped) {
  *skipped = true;
  if ((header.flags & kFlagServerToRedir) == 0) {
    return SmbResult::Protocol(ProtocolFault::kUnexpected);
  }
  // An unsolicited notification (an oplock or lease break) belongs to no
  // request of ours.
  if (header.message_id == kNotificationMessageId) return SmbResult::Ok();
  const auto request = std::find_if(awaited.begin(), awaited.end(), [&](const Awaited& a) {
    return a.message_id == header.message_id && !a.answered;
  });
  if (request == awaited.end() || header.command != request->command) {
    return SmbResult::Protocol(ProtocolFault::kUnexpected);
  }
  credits_ = std::min<uint32_t>(credits_ + header.credits, 0xFFFF);
  // An interim answer: the real one follows, on the same message id. It
  // is never signed. A server that only ever says "later" is not answering.
  if (header.status == kStatusPending && (header.flags & kFlagAsyncCommand) != 0) {
    if (++request->interim > kMaxSkippedPerRequest) {
      return SmbResult::Protocol(ProtocolFault::kUnexpected);
    }
    return SmbResult::Ok();
  }
  const Command command = request->command;
  if (!encrypted && ShouldEncrypt(request->tree_id) && command != Command::kSessionSetup) {
    return SmbResult::Protocol(ProtocolFault::kBadEncryption);
  }
  // Each answer of a chain is signed on its own, over its bytes up to the
  // next one's.
  const bool flagged = (header.flags & kFlagSigned) != 0;
  const bool keyed = session_.signing_algorithm.has_value() && command != Command::kSessionSetup;
  if (!encrypted && keyed && (session_.signing || flagged || request->must_sign) &&
      !VerifyMessage(*session_.signing_algorithm, keys_.signing.span(), element)) {
    return SmbResult::Protocol(ProtocolFault::kBadSignature);
  }
  request->out->message.assign(element.begin(), element.end());
  request->out->header = header;
  request->out->encrypted = encrypted;
  request->answered = true;
  *skipped = false;
  return SmbResult::Ok();
}

}  // namespace winreach::smb
