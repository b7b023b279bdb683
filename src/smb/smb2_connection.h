// One SMB2/3 connection to one server, with at most one session on it:
// the negotiation, the logon, trees, files and pipe I/O, and what keeps
// them honest (message ids and credits, signing, encryption, the 3.1.1
// preauthentication hash, validate negotiate on 3.0 and 3.0.2). Requests go
// one message at a time, and where the dialect allows it several requests
// go compounded in one message (MS-SMB2 3.2.4.1.4): a pipe's CREATE with its
// first transaction, and the CLOSEs left for later with the next request.
// Several messages go out before their answers only where the caller asks
// for it (StartTogether). Once the transport fails or the server breaks the
// protocol, the stream can no longer be trusted: that failure sticks, and
// every later request returns it without a byte sent. It does no I/O of its
// own: whole messages go through a MessageTransport, which owns the socket
// and the deadline.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "smb/authenticator.h"
#include "smb/crypto.h"
#include "smb/message_transport.h"
#include "smb/preauth_hash.h"
#include "smb/smb2_header.h"
#include "smb/smb2_keys.h"
#include "smb/smb2_messages.h"
#include "smb/smb2_signing.h"

namespace winreach::smb {

// What the client offers and insists on: the client keys of smb.conf.
struct ClientSettings {
  Dialect min_dialect = Dialect::k202;
  Dialect max_dialect = Dialect::k311;
  enum class Signing { kDisabled, kIfRequired, kDesired, kRequired };
  Signing signing = Signing::kDesired;  // a session with a key signs
  enum class Encryption { kOff, kIfRequired, kDesired, kRequired };
  Encryption encryption = Encryption::kIfRequired;
};

// Why a request came to nothing when the server's status does not say it.
enum class ProtocolFault {
  kNone,
  kMalformed,       // a message that does not parse, or lies about its sizes
  kUnexpected,      // not the answer to our request (id, command, dialect not offered)
  kNoCredits,       // the server left us no credit to send with
  kBadSignature,    // a response that had to be signed was not, or did not verify
  kBadEncryption,   // a transform that does not verify, or plain text where it must not be
  kDowngrade,       // the negotiation was tampered with (validate negotiate)
  kNoCommonDialect, // the server chose none of ours, or dropped the negotiation
  kEncryptionUnavailable,  // encryption is required and cannot be had
  kSigningUnavailable,     // signing is required and the session has no key (guest, anonymous)
  kLogon,           // the logon failed on our side (see Authenticator::failure)
  kGuestLogonBlocked,  // credentials offered, and the answer says the session is the guest's
};

struct SmbResult {
  enum class Kind { kOk, kStatus, kTransport, kProtocol };
  Kind kind = Kind::kOk;
  uint32_t status = 0;     // kStatus: the server's NT status
  uint32_t transport = 0;  // kTransport: the transport's Windows code
  ProtocolFault fault = ProtocolFault::kNone;

  bool ok() const { return kind == Kind::kOk; }
  static SmbResult Ok() { return {}; }
  static SmbResult Status(uint32_t status) { return {Kind::kStatus, status, 0, ProtocolFault::kNone}; }
  static SmbResult Transport(uint32_t code) { return {Kind::kTransport, 0, code, ProtocolFault::kNone}; }
  static SmbResult Protocol(ProtocolFault fault) { return {Kind::kProtocol, 0, 0, fault}; }
};

// What the session came to, for the report's session facts.
struct SessionState {
  Dialect dialect = Dialect::k202;
  bool guest = false;
  bool anonymous = false;
  bool signing = false;     // requests and responses are signed
  bool encrypting = false;  // the session's messages are encrypted
  std::optional<SigningAlgorithm> signing_algorithm;
  std::optional<Cipher> cipher;
};

// A pipe to open with its first transaction, ahead of its use
// (Smb2Connection::StartTogether), and what came of it.
struct PipeStart {
  uint32_t tree_id = 0;
  CreateRequest request;
  Bytes input;  // the first transaction's
  // The opening's result; the rest is set only where it succeeded.
  SmbResult opened;
  CreateResponse created;
  SmbResult transceived;  // the transaction's
  Bytes answer;
  bool more = false;  // the answer did not fit; the rest waits to be read
};

// A share to connect ahead of its use, and what came of it.
struct TreeStart {
  std::u16string path;  // "\\server\share"
  SmbResult result;
  uint32_t tree_id = 0;
};

class Smb2Connection {
 public:
  // Random bytes for the client GUID, the 3.1.1 salt and the nonces.
  using RandomSource = std::function<bool(std::span<uint8_t>)>;

  Smb2Connection(MessageTransport& transport, ClientSettings settings, RandomSource random);
  Smb2Connection(const Smb2Connection&) = delete;
  Smb2Connection& operator=(const Smb2Connection&) = delete;

  SmbResult Negotiate();

  // Runs the whole exchange of `authenticator` to a session. A failure
  // leaves the connection usable for another try with another logon.
  SmbResult SessionSetup(Authenticator& authenticator);

  // Connects `path` ("\\server\share"): the tree's id in `tree_id`. On 3.0
  // and 3.0.2 the first tree of a session with a key validates the
  // negotiation, whether the session signs or not.
  SmbResult TreeConnect(std::u16string_view path, uint32_t* tree_id);
  SmbResult TreeDisconnect(uint32_t tree_id);

  SmbResult Create(uint32_t tree_id, const CreateRequest& request, CreateResponse* response);
  SmbResult Close(uint32_t tree_id, const FileId& file);
  // Closes `file` along with the next request that goes out, its answer
  // taken with that request's: no wait of its own. Where requests cannot be
  // compounded, closes it now. Closes still waiting when the connection
  // ends go with it (the server closes what a connection leaves open).
  void CloseLater(uint32_t tree_id, const FileId& file);

  // Reads at most `length` bytes at `offset`. STATUS_BUFFER_OVERFLOW (a
  // message-mode pipe with more of the message waiting) is a success with
  // `*more` set.
  SmbResult Read(uint32_t tree_id, const FileId& file, uint32_t length, uint64_t offset,
                 Bytes* data, bool* more);
  SmbResult Write(uint32_t tree_id, const FileId& file, ByteSpan data);

  // One pipe transaction (FSCTL_PIPE_TRANSCEIVE): the request out, the
  // answer back, with `*more` set when the answer did not fit and the rest
  // waits to be read.
  SmbResult Transceive(uint32_t tree_id, const FileId& pipe, ByteSpan request, Bytes* answer,
                       bool* more);

  // Opens a pipe and runs its first transaction in one message (CREATE, then
  // the IOCTL on the file it opens). The result is the opening's; the
  // transaction's goes to `*transceived`, set only when the pipe opened.
  // Where the dialect or the server does not take compounded requests, the
  // two go one after the other.
  SmbResult CreateAndTransceive(uint32_t tree_id, const CreateRequest& request, ByteSpan input,
                                CreateResponse* created, Bytes* answer, bool* more,
                                SmbResult* transceived);

  // Opens each pipe with its first transaction (compounded, as
  // CreateAndTransceive does) and connects each share, every one a message
  // of its own, all sent before any answer is awaited: one wait for them
  // all. Each gets its own result; a failure of the connection itself goes
  // to every one. False, with nothing sent, where the connection does not
  // compound or lacks the credits: the caller then does each in its turn.
  bool StartTogether(std::span<PipeStart> pipes, std::span<TreeStart> trees);

  SmbResult Logoff();

  const NegotiateResponse& negotiated() const { return negotiated_; }
  // The transport failed or the server broke the protocol: nothing more
  // goes out.
  bool broken() const { return broken_.has_value(); }
  const SessionState& session() const { return session_; }
  // The most a single read, or a transaction's answer, may ask for.
  uint32_t max_read_size() const;
  uint32_t max_transact_size() const;
  // Whether requests go compounded on this connection: from SMB 2.1 on,
  // until a server shows it does not take them. 2.0.2 servers get one
  // request per message (impacket's signs the answers of a chain before it
  // links them, so their signatures cannot verify).
  bool compounding() const;

 private:
  struct Tree {
    bool encrypt = false;
  };
  struct Exchange {
    Bytes message;  // the response, decrypted
    Header header;
    bool encrypted = false;
  };
  // One request of a message: `related` ones act on the file the one
  // before opened.
  struct Chained {
    Command command;
    uint32_t tree_id;
    Bytes body;
    bool related = false;
  };
  // A request sent and the answer it waits for.
  struct Awaited {
    Command command;
    uint64_t message_id;
    uint32_t tree_id;
    bool must_sign;
    Exchange* out;
    bool answered = false;
    int interim = 0;  // interim answers so far
  };
  struct LaterClose {
    uint32_t tree_id;
    FileId file;
  };

  // Sends `body` as `command` and waits for its final response, through
  // interim STATUS_PENDING answers; the response is checked as the session
  // demands. `must_sign`: the request is signed, and its answer must be signed or
  // encrypted, whatever the session's signing (validate negotiate).
  SmbResult Send(Command command, uint32_t tree_id, ByteSpan body, Exchange* out,
                 bool must_sign = false);
  // The negotiation's and the logon's messages: one request, never signed
  // nor encrypted; `sent` keeps it for the preauthentication hash.
  SmbResult SendRequest(Command command, ByteSpan body, uint64_t* message_id, Bytes* sent);
  SmbResult ReceiveResponse(Command command, uint64_t message_id, Exchange* out);
  // Sends `requests` as one message (with the closes left for later in
  // front, when they can share it) and waits for every final answer, in
  // whatever messages and order they come. `out` has one per request.
  SmbResult SendChain(std::span<const Chained> requests, std::span<Exchange> out,
                      bool must_sign = false);
  // Sends `requests` as one message, the closes left for later in front
  // (their answers kept in `close_answers`), and adds what it awaits to
  // `awaited`, for a ReceiveAll of this message and others.
  SmbResult SendMessage(std::span<const Chained> requests, std::span<Exchange> out,
                        bool must_sign, std::deque<Exchange>* close_answers,
                        std::vector<Awaited>* awaited);
  // Receives until each of `awaited` has its final answer. A message may
  // carry several answers, each behind the NextCommand of the one before.
  SmbResult ReceiveAll(std::span<Awaited> awaited);
  // One answer of a received message, checked as the session demands:
  // stored in its request's `out`, skipped (a notification, an interim
  // answer), or a fault.
  SmbResult TakeAnswer(ByteSpan element, const Header& header, bool encrypted,
                       std::span<Awaited> awaited, bool* skipped);
  // A pipe's CREATE and first transaction, compounded.
  std::array<Chained, 2> PipeChain(uint32_t tree_id, const CreateRequest& request,
                                   ByteSpan input) const;
  // The answers to PipeChain's two requests: the opening's result, the
  // transaction's in `*transceived`.
  SmbResult CreatedAndTransceived(uint32_t tree_id, ByteSpan input,
                                  std::span<const Exchange, 2> out, CreateResponse* created,
                                  Bytes* answer, bool* more, SmbResult* transceived);
  // A tree connect's answer: the tree kept, the negotiation validated where
  // it must be.
  SmbResult TreeConnected(const Exchange& exchange, uint32_t* tree_id);
  static SmbResult TransceiveAnswer(const Exchange& exchange, uint32_t max_output, Bytes* answer,
                                    bool* more);
  // The response's status as a result: success and the statuses in
  // `also_ok` pass, anything else is the server's refusal.
  static SmbResult StatusOf(const Exchange& exchange, std::initializer_list<uint32_t> also_ok = {});

  bool ShouldEncrypt(uint32_t tree_id) const;
  // Whether a session of this logon will sign: every logon with a key,
  // unless smb.conf asks to sign only what the server demands.
  bool WillSign(const Authenticator& authenticator) const;
  SmbResult ValidateNegotiate(uint32_t tree_id);
  SmbResult FinishSession(Authenticator& authenticator, const Exchange& last,
                          const SessionSetupResponse& response, const PreauthHash& hash);
  SmbResult NegotiateOnce(uint64_t* wildcard);
  void ForgetSession();
  // Keeps a failure of the transport or of the protocol for good.
  SmbResult Break(SmbResult result);

  MessageTransport& transport_;
  const ClientSettings settings_;
  RandomSource random_;

  NegotiateRequest offered_;
  NegotiateResponse negotiated_;
  bool negotiated_ok_ = false;
  PreauthHash connection_hash_;

  uint64_t next_message_id_ = 0;
  uint32_t credits_ = 1;
  uint64_t nonce_counter_ = 0;
  std::optional<SmbResult> broken_;

  uint64_t session_id_ = 0;
  SessionState session_;
  SessionKeys keys_;
  bool negotiate_validated_ = false;
  std::map<uint32_t, Tree> trees_;
  std::vector<LaterClose> later_closes_;
  bool compound_refused_ = false;
};

}  // namespace winreach::smb
