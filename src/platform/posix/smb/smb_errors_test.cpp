#include "platform/posix/smb/smb_errors.h"

#include <gtest/gtest.h>

#include "platform/status_codes.h"
#include "smb/nt_status.h"

namespace winreach {
namespace {

using smb::SmbResult;

TEST(SmbErrorsTest, RefusalsNeverReadAsSuccess) {
  // A refusal whose status is of the success class (STATUS_TIMEOUT, a final
  // STATUS_PENDING without the async flag) is no answer any request of
  // ours allows: a broken server, never a success with nothing opened.
  struct Case {
    uint32_t status;
    SmbStage stage;
    uint32_t expected;
  };
  const Case cases[] = {
      {0x00000102, SmbStage::kLogon, status::kUnexpectedNetError},
      {0x00000102, SmbStage::kTree, status::kUnexpectedNetError},
      {0x00000102, SmbStage::kOpenPipe, status::kUnexpectedNetError},
      {0x00000102, SmbStage::kOpenFile, status::kUnexpectedNetError},
      {0x00000102, SmbStage::kPipeIo, status::kRpcCallFailed},
      {smb::kStatusPending, SmbStage::kOpenFile, status::kUnexpectedNetError},
      {smb::kStatusSuccess, SmbStage::kOpenPipe, status::kUnexpectedNetError},
      {smb::kStatusAccessDenied, SmbStage::kOpenFile, status::kAccessDenied},
      {smb::kStatusLogonFailure, SmbStage::kLogon, status::kLogonFailure},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, WindowsCodeOf(SmbResult::Status(c.status), c.stage, true))
        << std::hex << c.status << " at stage " << static_cast<int>(c.stage);
  }
}

}  // namespace
}  // namespace winreach
