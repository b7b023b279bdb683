#include "platform/bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace winreach {
namespace {

TEST(ByteReaderTest, ReadsBothByteOrders) {
  const uint8_t data[] = {0x12, 0x34, 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0x01, 0x02, 0x03, 0x04};
  ByteReader in(data);
  EXPECT_EQ(0x1234, in.U16Be());
  EXPECT_EQ(0x3412, in.U16Le());
  EXPECT_EQ(0x01020304u, in.U32Be());
  EXPECT_EQ(0x04030201u, in.U32Le());
  EXPECT_TRUE(in.ok());
  EXPECT_EQ(0u, in.left());
}

TEST(ByteReaderTest, Reads64BitLittleEndianAndFailsWhenShort) {
  const uint8_t data[] = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81, 0xAA};
  ByteReader in(data);
  EXPECT_EQ(0x8102030405060708u, in.U64Le());
  EXPECT_TRUE(in.ok());
  EXPECT_EQ(0u, in.U64Le());  // one byte left
  EXPECT_FALSE(in.ok());

  std::vector<uint8_t> out;
  auto writer = ByteWriter::AppendTo(out);
  writer.U64Le(0x8102030405060708u);
  EXPECT_EQ(out, std::vector<uint8_t>(data, data + 8));
}

TEST(ByteReaderTest, FailureSticksEvenWhenLaterReadsWouldFit) {
  const uint8_t data[] = {0xAA, 0xBB, 0xCC};
  ByteReader in(data);
  EXPECT_EQ(0u, in.U32Le());  // one byte short
  EXPECT_FALSE(in.ok());
  EXPECT_EQ(0, in.U8());
  EXPECT_TRUE(in.Bytes(1).empty());
  uint8_t out = 0x55;
  EXPECT_FALSE(in.CopyTo(&out, 1));
  EXPECT_EQ(0x55, out);
  EXPECT_EQ(0u, in.left());
}

TEST(ByteReaderTest, HugeSkipFailsWithoutWrappingTheOffset) {
  const uint8_t data[] = {1, 2, 3, 4};
  ByteReader in(data);
  in.U8();
  in.Skip(SIZE_MAX);
  EXPECT_FALSE(in.ok());
  EXPECT_EQ(0, in.U8());
}

TEST(ByteWriterTest, AppendsToAVectorOnlyWhenAskedTo) {
  std::vector<uint8_t> bytes = {9};
  ByteWriter::AppendTo(bytes).U16Le(0x0201);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{9, 1, 2}));
  ByteWriter(bytes).U8(7);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{7, 1, 2}));
}

TEST(ByteWriterTest, WritesBothByteOrdersAndDropsWhatDoesNotFit) {
  std::array<uint8_t, 7> out{};
  ByteWriter writer(out);
  writer.U16Be(0x1234);
  writer.U32Le(0x01020304);
  EXPECT_TRUE(writer.ok());
  writer.U16Le(0xFFFF);  // one byte of room left: nothing of it is written
  writer.U8(0xEE);       // nor anything after
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ((std::array<uint8_t, 7>{0x12, 0x34, 0x04, 0x03, 0x02, 0x01, 0x00}), out);
}

}  // namespace
}  // namespace winreach
