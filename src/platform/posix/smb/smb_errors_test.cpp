#include "platform/posix/smb/smb_errors.h"

#include <gtest/gtest.h>

#include "platform/status_codes.h"
#include "smb/nt_status.h"

namespace winreach {
namespace {

using smb::ProtocolFault;
using smb::SmbResult;

// The cases where the stage, or whether credentials were offered, changes
// the code a failure gets.
TEST(SmbErrorsTest, CodeByStage) {
  const SmbResult reset = SmbResult::Transport(status::kWsaConnectionReset);
  const SmbResult silence = SmbResult::Transport(status::kWsaTimedOut);
  const SmbResult deadline = SmbResult::Transport(status::kSemTimeout);
  const SmbResult bad_signature = SmbResult::Protocol(ProtocolFault::kBadSignature);
  const SmbResult not_found = SmbResult::Status(smb::kStatusObjectNameNotFound);
  const SmbResult logon_failure = SmbResult::Status(smb::kStatusLogonFailure);
  const SmbResult access_denied = SmbResult::Status(smb::kStatusAccessDenied);
  const struct {
    SmbResult result;
    SmbStage stage;
    bool credentials;
    uint32_t code;
  } cases[] = {
      {reset, SmbStage::kConnect, true, status::kBadNetPath},
      {reset, SmbStage::kNegotiate, true, status::kNotSupported},  // an SMB1-only server
      {silence, SmbStage::kNegotiate, true, status::kBadNetPath},
      {reset, SmbStage::kLogon, true, status::kBadNetPath},
      {reset, SmbStage::kPipeIo, true, status::kRpcCallFailed},
      {deadline, SmbStage::kNegotiate, true, status::kSemTimeout},
      {deadline, SmbStage::kPipeIo, true, status::kSemTimeout},
      {bad_signature, SmbStage::kLogon, true, status::kUnexpectedNetError},
      {bad_signature, SmbStage::kPipeIo, true, status::kRpcCallFailed},
      {SmbResult::Protocol(ProtocolFault::kNoCommonDialect), SmbStage::kPipeIo, true,
       status::kNotSupported},
      {not_found, SmbStage::kOpenPipe, true, status::kBadNetPath},
      {not_found, SmbStage::kOpenFile, true, status::kFileNotFound},
      {logon_failure, SmbStage::kLogon, true, status::kLogonFailure},
      {logon_failure, SmbStage::kLogon, false, status::kAccessDenied},
      {SmbResult::Status(smb::kStatusPipeDisconnected), SmbStage::kPipeIo, true,
       status::kRpcCallFailed},
      {access_denied, SmbStage::kPipeIo, true, status::kAccessDenied},
      {access_denied, SmbStage::kTree, true, status::kAccessDenied},
      // A refusal with a status of the success class (STATUS_TIMEOUT, a
      // final STATUS_PENDING) is a broken server, never a success.
      {SmbResult::Status(0x00000102), SmbStage::kOpenPipe, true, status::kUnexpectedNetError},
      {SmbResult::Status(0x00000102), SmbStage::kPipeIo, true, status::kRpcCallFailed},
      {SmbResult::Status(smb::kStatusPending), SmbStage::kOpenFile, true,
       status::kUnexpectedNetError},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(WindowsCodeOf(cases[i].result, cases[i].stage, cases[i].credentials), cases[i].code);
  }
}

TEST(SmbErrorsTest, LogonGivenUpOnOurSide) {
  EXPECT_EQ(LogonFailureCode(status::kInvalidParameter), status::kUnexpectedNetError);
  EXPECT_EQ(LogonFailureCode(status::kAccessDenied), status::kUnexpectedNetError);
  EXPECT_EQ(LogonFailureCode(status::kNtlmBlocked), status::kNtlmBlocked);
  EXPECT_EQ(LogonFailureCode(status::kLogonFailure), status::kLogonFailure);
}

}  // namespace
}  // namespace winreach
