#include "smb/frame.h"

#include <gtest/gtest.h>

namespace winreach::smb {
namespace {

TEST(FrameTest, PutsTheLengthBehindAZero) {
  EXPECT_EQ((Bytes{0, 0, 0, 3, 7, 8, 9}), Frame(Bytes{7, 8, 9}));
  const Bytes large = Frame(Bytes(0x10000, 1));
  EXPECT_EQ((Bytes{0, 0x01, 0x00, 0x00}), Bytes(large.begin(), large.begin() + 4));
  EXPECT_TRUE(Frame(Bytes(kMaxFrameLength + 1)).empty());
}

TEST(FrameReaderTest, SplitFeedsGiveOneMessage) {
  const Bytes framed = Frame(Bytes{1, 2, 3, 4, 5});
  FrameReader reader(1024);
  Bytes message;
  for (size_t i = 0; i + 1 < framed.size(); ++i) {
    reader.Feed(ByteSpan(framed).subspan(i, 1));
    EXPECT_EQ(FrameReader::kNeedMore, reader.Next(&message)) << i;
  }
  reader.Feed(ByteSpan(framed).last(1));
  ASSERT_EQ(FrameReader::kMessage, reader.Next(&message));
  EXPECT_EQ((Bytes{1, 2, 3, 4, 5}), message);
  EXPECT_EQ(FrameReader::kNeedMore, reader.Next(&message));
}

TEST(FrameReaderTest, JoinedFeedsGiveEachMessageAndSkipKeepAlives) {
  Bytes stream = Frame(Bytes{1});
  stream.insert(stream.end(), {0x85, 0, 0, 0});  // keep-alive
  const Bytes second = Frame(Bytes{2, 2});
  stream.insert(stream.end(), second.begin(), second.end());
  stream.insert(stream.end(), {0, 0, 0});  // part of a third header
  FrameReader reader(1024);
  reader.Feed(stream);
  Bytes message;
  ASSERT_EQ(FrameReader::kMessage, reader.Next(&message));
  EXPECT_EQ(Bytes{1}, message);
  ASSERT_EQ(FrameReader::kMessage, reader.Next(&message));
  EXPECT_EQ((Bytes{2, 2}), message);
  EXPECT_EQ(FrameReader::kNeedMore, reader.Next(&message));
  reader.Feed(Bytes{1, 9});
  ASSERT_EQ(FrameReader::kMessage, reader.Next(&message));
  EXPECT_EQ(Bytes{9}, message);
}

TEST(FrameReaderTest, BadStreamsFailAtOnceAndForGood) {
  const struct {
    const char* what;
    Bytes stream;
  } kCases[] = {
      {"larger than the maximum, before its body", {0, 0, 0x04, 0x01}},
      {"larger than 17 bits on port 139", {0, 0xFF, 0xFF, 0xFF}},
      {"a session request where messages go", {0x81, 0, 0, 0}},
      {"a keep-alive with a body", {0x85, 0, 0, 1, 0}},
  };
  for (const auto& c : kCases) {
    FrameReader reader(1024);
    reader.Feed(c.stream);
    Bytes message;
    EXPECT_EQ(FrameReader::kBad, reader.Next(&message)) << c.what;
    reader.Feed(Frame(Bytes{1}));
    EXPECT_EQ(FrameReader::kBad, reader.Next(&message)) << c.what;
  }
  // Exactly the maximum is fine.
  FrameReader reader(4);
  reader.Feed(Frame(Bytes{1, 2, 3, 4}));
  Bytes message;
  EXPECT_EQ(FrameReader::kMessage, reader.Next(&message));
}

}  // namespace
}  // namespace winreach::smb
