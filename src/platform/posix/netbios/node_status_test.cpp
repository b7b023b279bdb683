#include "platform/posix/netbios/node_status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/native_types.h"
#include "tests/data/node_status_captures.h"

namespace winreach {
namespace {

using testdata::kCapturedId;
using testdata::kCapturedResponse;

std::vector<uint8_t> Captured() {
  return {std::begin(kCapturedResponse), std::end(kCapturedResponse)};
}

std::optional<NodeStatus> Parse(const std::vector<uint8_t>& datagram,
                                uint16_t id = kCapturedId) {
  return ParseNodeStatusResponse(datagram, id);
}

std::string NameText(const NodeName& name) {
  return std::string(name.name.begin(), name.name.end());
}

TEST(NodeStatusRequestTest, MatchesWhatNmblookupSends) {
  const auto request = NodeStatusRequest(kCapturedId);
  EXPECT_EQ(std::vector<uint8_t>(std::begin(testdata::kCapturedRequest),
                                 std::end(testdata::kCapturedRequest)),
            std::vector<uint8_t>(request.begin(), request.end()));
  EXPECT_EQ(0xBE, NodeStatusRequest(0xBEEF)[0]);
  EXPECT_EQ(0xEF, NodeStatusRequest(0xBEEF)[1]);
}

TEST(NodeStatusResponseTest, ReadsTheCapturedAnswerOfNmbd) {
  const auto status = Parse(Captured());
  ASSERT_TRUE(status);
  ASSERT_EQ(5u, status->names.size());
  EXPECT_EQ(std::string("TESTHOST       \x00", 16), NameText(status->names[0]));
  EXPECT_EQ(std::string("TESTHOST       \x03", 16), NameText(status->names[1]));
  EXPECT_EQ(std::string("TESTHOST       \x20", 16), NameText(status->names[2]));
  EXPECT_EQ(std::string("WRTEST         \x00", 16), NameText(status->names[3]));
  EXPECT_EQ(std::string("WRTEST         \x1e", 16), NameText(status->names[4]));
  EXPECT_EQ(0x0400, status->names[0].flags);
  EXPECT_EQ(0x8400, status->names[4].flags);
  EXPECT_EQ((std::array<uint8_t, 6>{}), status->unit_id);
}

TEST(NodeStatusResponseTest, EveryTruncationIsRefused) {
  const auto whole = Captured();
  for (size_t size = 0; size < whole.size(); ++size) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + size);
    EXPECT_FALSE(Parse(cut)) << size << " bytes";
  }
}

TEST(NodeStatusResponseTest, BytesAfterTheAnswerAreIgnored) {
  auto datagram = Captured();
  datagram.insert(datagram.end(), 20, 0xAA);
  ASSERT_TRUE(Parse(datagram));
  EXPECT_EQ(5u, Parse(datagram)->names.size());
}

TEST(NodeStatusResponseTest, HeaderThatIsNotOurAnswerIsRefused) {
  const struct {
    const char* what;
    size_t offset;
    uint8_t value;
  } lies[] = {
      {"another transaction id", 1, 0x9c},
      {"a request, not a response", 2, 0x04},
      {"another opcode (registration)", 2, 0xAC},
      {"a negative answer", 3, 0x03},
      {"a question section", 5, 0x01},
      {"no answer", 7, 0x00},
      {"type NB instead of NBSTAT", 47, 0x20},
      {"another class", 49, 0x02},
      {"data longer than the datagram", 55, 0x8A},
      {"data shorter than names and statistics", 55, 0x88},
      {"an inflated name count", testdata::kNameCountOffset, 0x06},
      {"the largest name count", testdata::kNameCountOffset, 0xFF},
      {"a reserved label type", testdata::kAnswerNameOffset, 0x80},
      {"a label that runs past the name", testdata::kAnswerNameOffset, 0x3F},
  };
  for (const auto& lie : lies) {
    auto datagram = Captured();
    datagram[lie.offset] = lie.value;
    EXPECT_FALSE(Parse(datagram)) << lie.what;
  }
  EXPECT_FALSE(Parse(Captured(), 0x069c)) << "the id of another request";
  EXPECT_FALSE(Parse({std::begin(testdata::kCapturedRequest),
                      std::end(testdata::kCapturedRequest)}))
      << "our own request";
}

TEST(NodeStatusResponseTest, FewerNamesThanTheDataHoldsStillReadsTheAnnouncedOnes) {
  // A smaller count inside a data block that is large enough is not a lie
  // we can see: the rest is taken as statistics (the unit id moves in).
  auto datagram = Captured();
  datagram[testdata::kNameCountOffset] = 1;
  const auto status = Parse(datagram);
  ASSERT_TRUE(status);
  EXPECT_EQ(1u, status->names.size());
  EXPECT_EQ('T', status->unit_id[0]);
}

// The answer with its name as a compression pointer to offset 12 instead of
// the 34 bytes of the encoded "*".
std::vector<uint8_t> WithCompressedName() {
  auto datagram = Captured();
  datagram[12] = 0xC0;
  datagram[13] = 0x0C;
  datagram.erase(datagram.begin() + 14, datagram.begin() + 46);
  return datagram;
}

TEST(NodeStatusResponseTest, CompressedAnswerNameIsPassedOver) {
  const auto status = Parse(WithCompressedName());
  ASSERT_TRUE(status);
  ASSERT_EQ(5u, status->names.size());
  EXPECT_EQ(std::string("WRTEST         \x1e", 16), NameText(status->names[4]));

  // A pointer cut after its first byte ends the datagram's sense.
  const auto compressed = WithCompressedName();
  EXPECT_FALSE(Parse({compressed.begin(), compressed.begin() + 13}));
}

TEST(NodeStatusResponseTest, ScopeLabelsAreWalkedAndLimitedInLength) {
  const auto whole = Captured();
  auto with_labels = [&](size_t labels) {
    std::vector<uint8_t> datagram(whole.begin(), whole.begin() + 12 + 33);  // without root
    for (size_t i = 0; i < labels; ++i) {
      datagram.push_back(7);
      for (char c : std::string("wrtest0")) datagram.push_back(static_cast<uint8_t>(c));
    }
    datagram.insert(datagram.end(), whole.begin() + 45, whole.end());
    return datagram;
  };
  EXPECT_TRUE(Parse(with_labels(2)));       // "*".wrtest0.wrtest0: 33 + 16 bytes
  EXPECT_TRUE(Parse(with_labels(27)));      // 33 + 216 = 249 bytes
  EXPECT_FALSE(Parse(with_labels(28)));     // 257 bytes: longer than a name may be
}

TEST(NodeStatusNameFlagsTest, GroupBitAndStateBecomeTheNameBufferFlags) {
  const struct {
    uint16_t wire;
    uint8_t flags;
  } cases[] = {
      {0x0400, REGISTERED},                     // active unique (B node)
      {0x0600, REGISTERED},                     // active, permanent
      {0x6400, REGISTERED},                     // H node bits are not state
      {0x8400, GROUP_NAME | REGISTERED},        // active group
      {0x1400, DEREGISTERED},                   // deregistering
      {0x0C00, DUPLICATE},                      // in conflict
      {0x1C00, DUPLICATE_DEREG},                // both
      {0x9800, GROUP_NAME | DUPLICATE_DEREG},   // both, not active, group
      {0x0000, REGISTERING},                    // not active
      {0x8000, GROUP_NAME | REGISTERING},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.flags, NameFlagsFromWire(c.wire)) << std::hex << c.wire;
  }
}

TEST(AdapterStatusImageTest, LaysOutAdapterStatusThenOneNameBufferPerName) {
  NodeStatus status;
  status.unit_id = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  NodeName odd{};
  const uint8_t raw[16] = {'A', 0x01, 0xFF, ' ', 0, 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1C};
  std::memcpy(odd.name.data(), raw, 16);
  odd.flags = 0x8400;
  NodeName plain{};
  std::memcpy(plain.name.data(), "HOST           \x20", 16);
  plain.flags = 0x0400;
  status.names = {odd, plain};

  const auto image = AdapterStatusImage(status);
  ASSERT_EQ(sizeof(ADAPTER_STATUS) + 2 * sizeof(NAME_BUFFER), image.size());
  ADAPTER_STATUS adapter;
  std::memcpy(&adapter, image.data(), sizeof adapter);
  EXPECT_EQ(0, std::memcmp(adapter.adapter_address, status.unit_id.data(), 6));
  EXPECT_EQ(2, adapter.name_count);

  NAME_BUFFER first, second;
  std::memcpy(&first, image.data() + 60, sizeof first);
  std::memcpy(&second, image.data() + 78, sizeof second);
  EXPECT_EQ(0, std::memcmp(first.name, raw, 16));  // delivered as it came
  EXPECT_EQ(GROUP_NAME | REGISTERED, first.name_flags);
  EXPECT_EQ(0, std::memcmp(second.name, "HOST           \x20", 16));
  EXPECT_EQ(REGISTERED, second.name_flags);
}

TEST(AdapterStatusImageTest, CapturedAnswerGivesTheNamesTheCheckExpects) {
  const auto image = AdapterStatusImage(*Parse(Captured()));
  ASSERT_EQ(60u + 5 * 18, image.size());
  EXPECT_EQ(REGISTERED, image[60 + 17]);
  EXPECT_EQ(GROUP_NAME | REGISTERED, image[60 + 3 * 18 + 17]);
}

}  // namespace
}  // namespace winreach
