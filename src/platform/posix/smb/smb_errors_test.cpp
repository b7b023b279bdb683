#include "platform/posix/smb/smb_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace winreach {
namespace {

TEST(SmbErrorsTest, ConnectionFailures) {
  for (int error : {ECONNREFUSED, ETIMEDOUT, EHOSTUNREACH, ENETUNREACH, EINVAL, ECONNRESET}) {
    EXPECT_EQ(ConnectionErrorCode(error, true), 53u) << error;
  }
  EXPECT_EQ(ConnectionErrorCode(EACCES, true), 1326u);  // logon failure
  EXPECT_EQ(ConnectionErrorCode(EACCES, false), 5u);    // anonymous refused
  EXPECT_EQ(ConnectionErrorCode(EINVAL, true, 0xC0000418), 1937u);  // NTLM blocked
  EXPECT_EQ(ConnectionErrorCode(ECONNABORTED, false), 50u);  // no dialect in common
}

TEST(SmbErrorsTest, FailuresOnAConnectedShare) {
  EXPECT_EQ(PipeOpenErrorCode(EACCES), 5u);
  EXPECT_EQ(PipeOpenErrorCode(ENOENT), 53u);  // no such pipe: service not there
  EXPECT_EQ(FileOpenErrorCode(ENOENT, true), 2u);
  EXPECT_EQ(FileOpenErrorCode(ENOENT, false), 3u);
  EXPECT_EQ(FileOpenErrorCode(ENOTDIR, true), 3u);
  EXPECT_EQ(FileOpenErrorCode(EACCES, true), 5u);
  EXPECT_EQ(FileOpenErrorCode(EISDIR, true), 5u);
  EXPECT_EQ(PipeTransferErrorCode(ETIMEDOUT), 1726u);
}

}  // namespace
}  // namespace winreach
