#include "smb/nt_status.h"

#include <gtest/gtest.h>

#include "platform/status_codes.h"

namespace winreach::smb {
namespace {

// The statuses whose codes the checks print, and what is not in the table.
TEST(WindowsCodeFromNtStatusTest, CodesTheChecksPrintAndTheRest) {
  const struct {
    uint32_t nt_status;
    uint32_t code;
  } kCases[] = {
      {kStatusSuccess, status::kSuccess},
      {kStatusAccessDenied, status::kAccessDenied},
      {kStatusLogonFailure, status::kLogonFailure},
      {kStatusNtlmBlocked, status::kNtlmBlocked},
      {kStatusBadNetworkName, status::kBadNetName},
      {kStatusObjectNameNotFound, status::kFileNotFound},
      {kStatusObjectPathNotFound, status::kPathNotFound},
      {kStatusBufferOverflow, status::kMoreData},
      {0x00000104, status::kSuccess},              // some other success
      {0x80000099, status::kUnexpectedNetError},   // an unknown warning
      {0xC0FFEE00, status::kUnexpectedNetError},   // an unknown error
      {kStatusNetworkSessionExpired, status::kUnexpectedNetError},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.code, WindowsCodeFromNtStatus(c.nt_status)) << std::hex << c.nt_status;
  }
}

}  // namespace
}  // namespace winreach::smb
