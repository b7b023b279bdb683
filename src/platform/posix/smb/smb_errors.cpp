#include "platform/posix/smb/smb_errors.h"

#include "platform/status_codes.h"
#include "smb/nt_status.h"

namespace winreach {

namespace {

using smb::ProtocolFault;
using smb::SmbResult;

uint32_t TransportCode(uint32_t code, SmbStage stage) {
  if (code == status::kSemTimeout) return code;  // the run's time is up
  switch (stage) {
    case SmbStage::kConnect:
      return status::kBadNetPath;
    case SmbStage::kNegotiate:
      // Taken and dropped at the negotiation: the server is there, but
      // speaks no dialect of ours (an SMB1-only server). Silence is not that.
      return code == status::kWsaTimedOut ? status::kBadNetPath : status::kNotSupported;
    case SmbStage::kPipeIo:
      return status::kRpcCallFailed;
    default:
      return status::kBadNetPath;
  }
}

uint32_t FaultCode(ProtocolFault fault, SmbStage stage) {
  switch (fault) {
    case ProtocolFault::kNoCommonDialect:
      return status::kNotSupported;
    case ProtocolFault::kEncryptionUnavailable:
    case ProtocolFault::kSigningUnavailable:
      // What the server answers a request it wants encrypted and is not,
      // and what Samba's client says when its smb.conf demands signing of
      // a guest or anonymous session: the server broke no rule.
      return status::kAccessDenied;
    case ProtocolFault::kLogon:
      return status::kLogonFailure;
    case ProtocolFault::kGuestLogonBlocked:
      // What Windows reports when it will not let credentials fall back
      // to the server's guest.
      return status::kSmbGuestLogonBlocked;
    case ProtocolFault::kDowngrade:
      // What Windows reports when the negotiation was changed on the way.
      return status::kDowngradeDetected;
    default:
      // A server that broke the protocol: malformed or unexpected answers,
      // no credits, a signature or transform that does not verify, a
      // negotiation someone changed.
      return stage == SmbStage::kPipeIo ? status::kRpcCallFailed : status::kUnexpectedNetError;
  }
}

uint32_t StatusCode(uint32_t nt_status, SmbStage stage, bool credentials_offered) {
  switch (nt_status) {
    case smb::kStatusLogonFailure:
      // Samba says "logon failure" to a refused anonymous logon too; no
      // credentials were offered, so it is the access that was refused.
      return credentials_offered ? status::kLogonFailure : status::kAccessDenied;
    case smb::kStatusObjectNameNotFound:
      // No such pipe is, as Windows reports it, an unreachable path.
      return stage == SmbStage::kOpenPipe ? status::kBadNetPath : status::kFileNotFound;
    case smb::kStatusFileIsADirectory:
      return status::kAccessDenied;
    default:
      break;
  }
  if (stage == SmbStage::kPipeIo && nt_status != smb::kStatusAccessDenied) {
    return status::kRpcCallFailed;
  }
  return smb::WindowsCodeFromNtStatus(nt_status);
}

}  // namespace

uint32_t LogonFailureCode(uint32_t authenticator_failure) {
  switch (authenticator_failure) {
    case status::kInvalidParameter:  // a malformed or out-of-turn token
    case status::kAccessDenied:      // the server's mechListMIC did not verify
      return status::kUnexpectedNetError;
    case status::kNtlmBlocked:
    case status::kGenFailure:  // no random bytes to be had
      return authenticator_failure;
    default:
      return status::kLogonFailure;
  }
}

uint32_t WindowsCodeOf(const SmbResult& result, SmbStage stage, bool credentials_offered) {
  switch (result.kind) {
    case SmbResult::Kind::kOk:
      return 0;
    case SmbResult::Kind::kTransport:
      return TransportCode(result.transport, stage);
    case SmbResult::Kind::kProtocol:
      return FaultCode(result.fault, stage);
    case SmbResult::Kind::kStatus:
      // A refusal whose status is of the success class (a final
      // STATUS_PENDING, STATUS_TIMEOUT) is an answer no request of ours
      // allows: the server broke the protocol. Taken for a code it would
      // read as success, with nothing opened.
      if ((result.status >> 30) == 0) return FaultCode(ProtocolFault::kUnexpected, stage);
      return StatusCode(result.status, stage, credentials_offered);
  }
  return status::kUnexpectedNetError;
}

}  // namespace winreach
