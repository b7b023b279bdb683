#include "rpc/rpc_status.h"

#include <gtest/gtest.h>

namespace winreach::rpc {
namespace {

TEST(RpcStatusTest, NcaFaultsBecomeTheirWindowsCodes) {
  EXPECT_EQ(Win32FromFault(0x1C010002), 1745u);  // procedure number out of range
  EXPECT_EQ(Win32FromFault(0x1C010003), 1717u);  // unknown interface
  EXPECT_EQ(Win32FromFault(0x1C01000B), 1728u);  // protocol error
  EXPECT_EQ(Win32FromFault(0x1C00001A), 6u);     // context mismatch
  EXPECT_EQ(Win32FromFault(0x1C000012), 1726u);  // unspecified
  EXPECT_EQ(Win32FromFault(0x1C010014), 1723u);  // server too busy
}

TEST(RpcStatusTest, OtherFaultsPassThrough) {
  EXPECT_EQ(Win32FromFault(5), 5u);
  EXPECT_EQ(Win32FromFault(0x000006F7), 0x6F7u);  // already a Windows code
  EXPECT_EQ(Win32FromFault(0x1C010006), 0x1C010006u);  // wrong boot time: not mapped
}

TEST(RpcStatusTest, BindRejections) {
  EXPECT_EQ(Win32FromBindRejection(1), 1717u);
  EXPECT_EQ(Win32FromBindRejection(2), 1730u);
  EXPECT_EQ(Win32FromBindNak(4), 1728u);
  EXPECT_EQ(Win32FromBindNak(0), 1726u);
}

}  // namespace
}  // namespace winreach::rpc
