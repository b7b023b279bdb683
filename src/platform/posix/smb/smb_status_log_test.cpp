#include "platform/posix/smb/smb_status_log.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

TEST(NtStatusFromLogTest, ReadsTheMappedStatusOnly) {
  EXPECT_EQ(NtStatusFromLog("map_errno_from_nt_status: 32 bit codes: code=c0000418\n"),
            kNtStatusNtlmBlocked);
  EXPECT_EQ(NtStatusFromLog("  map_errno_from_nt_status: 32 bit codes: code=C000020C"),
            0xC000020Cu);
  EXPECT_EQ(NtStatusFromLog("SPNEGO login failed: NT_STATUS_NTLM_BLOCKED\n"), std::nullopt);
  // Cut short, not hex, or more than eight digits: not a status.
  EXPECT_EQ(NtStatusFromLog("map_errno_from_nt_status: 32 bit codes: code=c00004"), std::nullopt);
  EXPECT_EQ(NtStatusFromLog("map_errno_from_nt_status: 32 bit codes: code=c00004zz"),
            std::nullopt);
  EXPECT_EQ(NtStatusFromLog("map_errno_from_nt_status: 32 bit codes: code=c00004180"),
            std::nullopt);
}

}  // namespace
}  // namespace winreach
