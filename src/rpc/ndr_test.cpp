#include "rpc/ndr.h"

#include <gtest/gtest.h>

#include <vector>

namespace winreach::rpc {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

TEST(NdrWriterTest, AlignsEachPrimitiveFromTheStubStart) {
  NdrWriter ndr;
  ndr.U8(1);
  ndr.U16(0x0302);
  ndr.U8(4);
  ndr.U32(0x08070605);
  EXPECT_EQ(ndr.data(), Bytes({1, 0, 2, 3, 4, 0, 0, 0, 5, 6, 7, 8}));
}

TEST(NdrWriterTest, UniqueStringHasReferentCountsAndTerminator) {
  NdrWriter ndr;
  ndr.UniqueString(u"ab");
  ndr.U32(7);
  EXPECT_EQ(ndr.data(), Bytes({0x00, 0x00, 0x02, 0x00,  // referent
                               3, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0,  // max, offset, actual
                               'a', 0, 'b', 0, 0, 0,                // units and terminator
                               0, 0,                                // pad to 4
                               7, 0, 0, 0}));
}

TEST(NdrWriterTest, CountedStringLengthsAreBytesWithTerminator) {
  NdrWriter ndr;
  ndr.CountedString(u"ab");
  const auto& d = ndr.data();
  ASSERT_GE(d.size(), 8u);
  EXPECT_EQ(d[0], 6);  // Length
  EXPECT_EQ(d[2], 6);  // MaximumLength
  EXPECT_EQ(d[4] | (d[5] << 8) | (d[6] << 16), 0x20000);
}

TEST(NdrWriterTest, ReferentsAreDistinctAndNonZero) {
  NdrWriter ndr;
  ndr.Referent();
  ndr.Referent();
  NdrReader back(ndr.data());
  const uint32_t first = back.U32();
  const uint32_t second = back.U32();
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
}

TEST(NdrReaderTest, ReadsStringAndDropsTerminator) {
  NdrWriter ndr;
  ndr.String(u"TESTHOST");
  NdrReader reader(ndr.data());
  EXPECT_EQ(reader.String(), u"TESTHOST");
  EXPECT_TRUE(reader.ok());
}

TEST(NdrReaderTest, StringCountsThatLieFail) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"actual beyond maximum", Bytes({1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'a', 0, 0, 0})},
      {"non-zero offset", Bytes({2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a', 0})},
      {"actual beyond the data", Bytes({9, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 'a', 0})},
      {"huge count", Bytes({0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f})},
      {"header cut short", Bytes({2, 0, 0, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    NdrReader reader(c.bytes);
    EXPECT_EQ(reader.String(), u"") << c.what;
    EXPECT_FALSE(reader.ok()) << c.what;
  }
}

TEST(NdrReaderTest, FailureIsStickyAndYieldsZeros) {
  const auto bytes = Bytes({1, 2, 3});
  NdrReader reader(bytes);
  EXPECT_EQ(reader.U32(), 0u);
  EXPECT_FALSE(reader.ok());
  EXPECT_EQ(reader.U8(), 0u);
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(NdrReaderTest, AlignmentPaddingMustBePresent) {
  // One byte, then a 32-bit value whose padding runs past the end.
  const auto bytes = Bytes({1, 0, 0, 0, 5});
  NdrReader reader(bytes);
  reader.U8();
  EXPECT_EQ(reader.U32(), 0u);
  EXPECT_FALSE(reader.ok());
}

TEST(NdrReaderTest, HandleNeedsTwentyBytes) {
  std::vector<uint8_t> bytes(19, 0xAA);
  NdrReader reader(bytes);
  EXPECT_TRUE(reader.Handle().IsNull());
  EXPECT_FALSE(reader.ok());
}

}  // namespace
}  // namespace winreach::rpc
