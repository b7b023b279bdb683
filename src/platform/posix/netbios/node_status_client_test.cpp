#include "platform/posix/netbios/node_status_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/native_types.h"
#include "tests/data/node_status_captures.h"
#include "tests/support/loopback_responder.h"

namespace winreach {
namespace {

using namespace std::chrono_literals;
using nbtest::AnswerTo;
using nbtest::BoundUdpSocket;
using nbtest::LocalName;
using nbtest::Loopback;
using nbtest::Responder;
using Clock = std::chrono::steady_clock;

constexpr NodeStatusTiming kFast{3, 100ms};

struct Timed {
  NodeStatusOutcome outcome;
  std::chrono::milliseconds elapsed;
};

Timed Query(const sockaddr_in& target, in_addr local = Loopback(),
            NodeStatusTiming timing = kFast) {
  const auto start = Clock::now();
  NodeStatusOutcome outcome = QueryNodeStatus(local, target, timing);
  return {std::move(outcome),
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)};
}

TEST(NodeStatusClientTest, AnswerToTheFirstTryComesBackAtOnce) {
  Responder responder([](Responder& r, const Responder::Request& q, int) {
    r.Send(AnswerTo(q.id()), q.from);
  });
  const Timed result = Query(responder.address(), Loopback(), {3, 1000ms});
  ASSERT_EQ(NRC_GOODRET, result.outcome.code);
  ASSERT_TRUE(result.outcome.status);
  EXPECT_EQ(5u, result.outcome.status->names.size());
  EXPECT_LT(result.elapsed, 1000ms);  // before a second try was due

  const auto requests = responder.requests();
  ASSERT_EQ(1u, requests.size());
  ASSERT_EQ(kNodeStatusRequestSize, requests[0].bytes.size());
  const auto expected = NodeStatusRequest(requests[0].id());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), requests[0].bytes.begin()));
  EXPECT_EQ(htonl(INADDR_LOOPBACK), requests[0].from.sin_addr.s_addr);
  EXPECT_NE(0, requests[0].from.sin_port);  // an ephemeral port
}

TEST(NodeStatusClientTest, TriesAgainWithTheSameIdAndTakesTheThirdAnswer) {
  Responder responder([](Responder& r, const Responder::Request& q, int n) {
    if (n == 2) r.Send(AnswerTo(q.id()), q.from);
  });
  const Timed result = Query(responder.address());
  EXPECT_EQ(NRC_GOODRET, result.outcome.code);
  const auto requests = responder.requests();
  ASSERT_EQ(3u, requests.size());
  EXPECT_EQ(requests[0].id(), requests[1].id());
  EXPECT_EQ(requests[0].id(), requests[2].id());
  EXPECT_EQ(requests[0].from.sin_port, requests[2].from.sin_port);
  EXPECT_GE(result.elapsed, 200ms);  // the third try goes out two intervals in
}

TEST(NodeStatusClientTest, LateAnswerToTheFirstTryStillCounts) {
  Responder responder([](Responder& r, const Responder::Request& q, int n) {
    if (n == 0) {
      std::this_thread::sleep_for(300ms);  // the second try is out by now
      r.Send(AnswerTo(q.id()), q.from);
    }
  });
  const Timed result = Query(responder.address(), Loopback(), {3, 200ms});
  EXPECT_EQ(NRC_GOODRET, result.outcome.code);
  EXPECT_GE(result.elapsed, 200ms);  // after the second try was out
  EXPECT_LT(result.elapsed, 1500ms);
}

TEST(NodeStatusClientTest, SilenceCostsExactlyTheTriesAndEndsInTimeOut) {
  Responder responder([](Responder&, const Responder::Request&, int) {});
  const Timed result = Query(responder.address());
  EXPECT_EQ(NRC_CMDTMO, result.outcome.code);
  EXPECT_FALSE(result.outcome.status);
  EXPECT_GE(result.elapsed, 300ms);
  EXPECT_LT(result.elapsed, 1500ms);  // no hang; the request count says no extra try
  EXPECT_EQ(3u, responder.requests().size());
}

TEST(NodeStatusClientTest, DatagramsThatAreNotOurAnswerAreIgnored) {
  // Each try draws one wrong datagram; the third try also gets the answer.
  const int stranger = BoundUdpSocket();
  ASSERT_GE(stranger, 0);
  Responder responder([stranger](Responder& r, const Responder::Request& q, int n) {
    auto wrong_id = AnswerTo(static_cast<uint16_t>(q.id() + 1));
    auto truncated = AnswerTo(q.id());
    truncated.resize(100);
    if (n == 0) r.Send(wrong_id, q.from);
    if (n == 1) r.Send(truncated, q.from);
    if (n == 2) {
      r.Send(AnswerTo(q.id()), q.from, stranger);  // right bytes, wrong port
      r.Send(AnswerTo(q.id()), q.from);
    }
  });
  const Timed result = Query(responder.address());
  EXPECT_EQ(NRC_GOODRET, result.outcome.code);
  EXPECT_EQ(3u, responder.requests().size());
  ::close(stranger);
}

TEST(NodeStatusClientTest, AnswerFromAnotherPortAloneIsSilence) {
  const int stranger = BoundUdpSocket();
  ASSERT_GE(stranger, 0);
  Responder responder([stranger](Responder& r, const Responder::Request& q, int) {
    r.Send(AnswerTo(q.id()), q.from, stranger);
  });
  EXPECT_EQ(NRC_CMDTMO, Query(responder.address()).outcome.code);
  ::close(stranger);
}

TEST(NodeStatusClientTest, PortUnreachableEndsTheWaitAtOnce) {
  // A port where nothing listens: loopback answers with ICMP port
  // unreachable, which is not rate-limited there.
  const int fd = BoundUdpSocket();
  const sockaddr_in closed = LocalName(fd);
  ::close(fd);
  const Timed result = Query(closed, Loopback(), {3, 1000ms});
  EXPECT_EQ(NRC_CMDTMO, result.outcome.code);
  EXPECT_LT(result.elapsed, 900ms);  // before the second try was due
}

TEST(NodeStatusClientTest, LocalAddressThatIsNotOursIsASystemFailure) {
  in_addr foreign{};
  ::inet_pton(AF_INET, "192.0.2.1", &foreign);  // TEST-NET-1, never local here
  Responder responder([](Responder&, const Responder::Request&, int) {});
  const Timed result = Query(responder.address(), foreign);
  EXPECT_EQ(NRC_SYSTEM, result.outcome.code);
  EXPECT_TRUE(responder.requests().empty());
}

TEST(NodeStatusClientTest, LargestNameTableArrivesWhole) {
  Responder responder([](Responder& r, const Responder::Request& q, int) {
    std::vector<uint8_t> answer = AnswerTo(q.id());
    answer.resize(testdata::kNameCountOffset);
    answer.push_back(255);
    for (int i = 0; i < 255; ++i) {
      for (int k = 0; k < 15; ++k) answer.push_back(static_cast<uint8_t>('A' + i % 26));
      answer.push_back(static_cast<uint8_t>(i));
      answer.push_back(0x04);
      answer.push_back(0x00);
    }
    for (int k = 0; k < 46; ++k) answer.push_back(static_cast<uint8_t>(k < 6 ? 0x10 + k : 0));
    const size_t length = answer.size() - testdata::kNameCountOffset;
    answer[testdata::kDataLengthOffset] = static_cast<uint8_t>(length >> 8);
    answer[testdata::kDataLengthOffset + 1] = static_cast<uint8_t>(length);
    r.Send(answer, q.from);
  });
  const Timed result = Query(responder.address());
  ASSERT_EQ(NRC_GOODRET, result.outcome.code);
  EXPECT_EQ(255u, result.outcome.status->names.size());
  EXPECT_EQ(254, result.outcome.status->names.back().name[15]);
  EXPECT_EQ((std::array<uint8_t, 6>{0x10, 0x11, 0x12, 0x13, 0x14, 0x15}),
            result.outcome.status->unit_id);
}

}  // namespace
}  // namespace winreach
