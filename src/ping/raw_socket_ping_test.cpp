#include "ping/raw_socket_ping.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "ping/echo_message.h"
#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

// A datagram as the raw socket delivers it: a 20-byte IPv4 header and an ICMP
// message of `type` with `identifier`.
std::vector<uint8_t> Datagram(uint8_t type, uint16_t identifier) {
  std::vector<uint8_t> datagram(20 + 44, 0);
  datagram[0] = 0x45;
  datagram[20] = type;
  datagram[24] = static_cast<uint8_t>(identifier);
  datagram[25] = static_cast<uint8_t>(identifier >> 8);
  return datagram;
}

struct Arrival {
  std::vector<uint8_t> datagram;
  uint8_t sender_last_byte;  // 10.77.0.x
  int64_t counter_after;     // the counter when the receive returns, in ms
};

class RawSocketPingTest : public ::testing::Test {
 protected:
  static constexpr uint16_t kOurs = 0x1234;

  void SetUp() override {
    platform_.sockets_.AddHost("testhost", "testhost", 10, 77, 0, 2);
    platform_.system_.counter = [this] { return now_; };
    platform_.sockets_.on_send = [this](const uint8_t* data, int length,
                                        const sockaddr_in& destination) {
      sent_.assign(data, data + length);
      sent_to_ = destination;
      return length;
    };
  }

  // Each receive returns the next arrival; after the last, the time-out.
  void Script(std::vector<Arrival> arrivals) {
    arrivals_ = std::move(arrivals);
    platform_.sockets_.on_receive = [this](uint8_t* buffer, int length, sockaddr_in* sender) {
      ++receives_;
      if (next_ == arrivals_.size()) {
        now_ += 1000;
        platform_.sockets_.last_error = status::kWsaTimedOut;
        return kSocketError;
      }
      const Arrival& arrival = arrivals_[next_++];
      const int count = static_cast<int>(arrival.datagram.size());
      EXPECT_LE(count, length);
      std::memcpy(buffer, arrival.datagram.data(), arrival.datagram.size());
      // kOurs stands for the identifier of the request this ping sent,
      // which differs from one ping to the next in the process.
      if (count >= 26 && buffer[24] == (kOurs & 0xFF) && buffer[25] == (kOurs >> 8) &&
          sent_.size() >= 6) {
        buffer[24] = sent_[4];
        buffer[25] = sent_[5];
      }
      *sender = {};
      sender->sin_family = AF_INET;
      const uint8_t address[4] = {10, 77, 0, arrival.sender_last_byte};
      std::memcpy(&sender->sin_addr, address, 4);
      now_ = arrival.counter_after;
      return count;
    };
  }

  std::vector<uint32_t> ReceiveTimeouts() const {
    std::vector<uint32_t> values;
    for (const auto& [which, value] : platform_.sockets_.timeouts_set) {
      if (which == SocketTimeout::kReceive) values.push_back(value);
    }
    return values;
  }

  std::wstring Output() const { return platform_.console_.Output(); }

  FakePlatform platform_;  // process 0x1234, counter at 1000 per second
  int64_t now_ = 5000;
  std::vector<Arrival> arrivals_;
  size_t next_ = 0;
  int receives_ = 0;
  std::vector<uint8_t> sent_;
  sockaddr_in sent_to_{};
};

TEST_F(RawSocketPingTest, SendsOneSealedRequestToTheFirstAddress) {
  platform_.system_.tick_count = 0x11223344;
  Script({{Datagram(0, 0x1234), 2, 5010}});
  EXPECT_EQ(1, RawSocketPing(platform_, L"testhost", 1000));
  ASSERT_EQ(44u, sent_.size());
  EXPECT_EQ(8, sent_[0]);
  EXPECT_EQ(0x44, sent_[8]);
  EXPECT_EQ(0, InternetChecksum(sent_.data(), sent_.size()));
  EXPECT_EQ(AF_INET, sent_to_.sin_family);
  EXPECT_EQ(0, sent_to_.sin_port);
  const uint8_t expected[4] = {10, 77, 0, 2};
  EXPECT_EQ(0, std::memcmp(expected, &sent_to_.sin_addr, 4));
  EXPECT_EQ(L"", Output());
  EXPECT_TRUE(platform_.sockets_.open_sockets.empty());
  // Both time-outs before the send, then the remaining time before the receive.
  ASSERT_GE(platform_.sockets_.timeouts_set.size(), 3u);
  EXPECT_EQ(SocketTimeout::kReceive, platform_.sockets_.timeouts_set[0].first);
  EXPECT_EQ(SocketTimeout::kSend, platform_.sockets_.timeouts_set[1].first);
  EXPECT_EQ(1000u, platform_.sockets_.timeouts_set[1].second);
}

TEST_F(RawSocketPingTest, ForeignDatagramsArePrintedOnceEachBeforeTheReply) {
  Script({
      {Datagram(3, 0x1234), 1, 5001},  // an ICMP error from the router
      {Datagram(8, 0x1234), 2, 5002},  // a request from the target
      {Datagram(0, 0x9999), 2, 5003},  // another process's reply
      {Datagram(0, 0x1234), 2, 5004},
  });
  EXPECT_EQ(1, RawSocketPing(platform_, L"testhost", 1000));
  EXPECT_EQ(L"Received packed does not match\n"
            L"Received packed does not match\n"
            L"Received packed does not match\n",
            Output());
  EXPECT_EQ(4, receives_);
  EXPECT_EQ(1, platform_.sockets_.sockets_closed);
}

TEST_F(RawSocketPingTest, SteadyStreamOfForeignDatagramsDoesNotLengthenTheWait) {
  // Every 300 ms another foreign reply; each receive waits only for what is
  // left, and the wait ends once the time-out is used up.
  std::vector<Arrival> stream;
  for (int i = 1; i <= 10; ++i) stream.push_back({Datagram(0, 0x4321), 2, 5000 + 300 * i});
  Script(stream);
  EXPECT_EQ(0, RawSocketPing(platform_, L"testhost", 1000));
  EXPECT_EQ(4, receives_);
  EXPECT_EQ((std::vector<uint32_t>{1000, 1000, 700, 400, 100}), ReceiveTimeouts());
  EXPECT_EQ(1, platform_.sockets_.sockets_closed);
}

TEST_F(RawSocketPingTest, NoReplyEndsSilentlyWhenTheTimeOutExpires) {
  Script({});
  EXPECT_EQ(0, RawSocketPing(platform_, L"testhost", 1000));
  EXPECT_EQ(L"", Output());
  EXPECT_EQ(1, receives_);
  EXPECT_TRUE(platform_.sockets_.open_sockets.empty());
}

TEST_F(RawSocketPingTest, TimeOutOfZeroOrLessSendsButNeverReceives) {
  for (int32_t timeout : {0, -1, std::numeric_limits<int32_t>::min()}) {
    Script({{Datagram(0, 0x1234), 2, 5001}});
    receives_ = 0;
    sent_.clear();
    EXPECT_EQ(0, RawSocketPing(platform_, L"testhost", timeout)) << timeout;
    EXPECT_EQ(44u, sent_.size());
    EXPECT_EQ(0, receives_);
  }
  EXPECT_EQ(L"", Output());
  EXPECT_TRUE(platform_.sockets_.open_sockets.empty());
}

TEST_F(RawSocketPingTest, ReceiveFailureIsPrintedAndEndsTheWait) {
  platform_.sockets_.on_receive = [this](uint8_t*, int, sockaddr_in*) {
    ++receives_;
    platform_.sockets_.last_error = status::kWsaMessageSize;
    return kSocketError;
  };
  EXPECT_EQ(0, RawSocketPing(platform_, L"testhost", 1000));
  EXPECT_EQ(L"Failed to receive the packet. Error code: 00002738\n", Output());
  EXPECT_EQ(1, receives_);
  EXPECT_EQ(1, platform_.sockets_.sockets_closed);
}

TEST_F(RawSocketPingTest, SocketFailureIsTheOnlyLineAndNothingIsResolved) {
  platform_.sockets_.socket_error = status::kWsaAccess;
  EXPECT_EQ(0, RawSocketPing(platform_, L"no.such.name", 1000));
  EXPECT_EQ(L"Unable to create the socket for the ping. Error code: 0000271D\n", Output());
  EXPECT_TRUE(platform_.sockets_.lookups.empty());
  EXPECT_EQ(0, platform_.sockets_.sockets_closed);
}

TEST_F(RawSocketPingTest, TimeOutFailuresArePrintedTwiceAndThePingGoesOn) {
  platform_.sockets_.on_set_timeout = [this](SocketTimeout, uint32_t) {
    platform_.sockets_.last_error = status::kWsaInvalidArgument;
    return kSocketError;
  };
  Script({{Datagram(0, 0x1234), 2, 5001}});
  EXPECT_EQ(1, RawSocketPing(platform_, L"testhost", 1000));
  // The re-set inside the wait fails silently.
  EXPECT_EQ(L"Failed to set the timeout. Error code: 00002726\n"
            L"Failed to set the timeout. Error code: 00002726\n",
            Output());
}

TEST_F(RawSocketPingTest, UnresolvedNameIsPrintedAndTheSocketClosed) {
  platform_.sockets_.resolve_error = status::kWsaHostNotFound;
  EXPECT_EQ(0, RawSocketPing(platform_, L"nosuchhost", 1000));
  EXPECT_EQ(L"Name resolution problem. Error code: 00002AF9\n", Output());
  EXPECT_TRUE(sent_.empty());
  EXPECT_TRUE(platform_.sockets_.open_sockets.empty());
}

TEST_F(RawSocketPingTest, DottedAddressIsUsedWhenTheLookUpFindsNothing) {
  Script({{Datagram(0, 0x1234), 5, 5001}});
  EXPECT_EQ(1, RawSocketPing(platform_, L"10.77.0.5", 1000));
  EXPECT_EQ((std::vector<std::string>{"10.77.0.5"}), platform_.sockets_.lookups);
  const uint8_t expected[4] = {10, 77, 0, 5};
  EXPECT_EQ(0, std::memcmp(expected, &sent_to_.sin_addr, 4));
}

TEST_F(RawSocketPingTest, SendFailureIsPrintedWithoutReceiving) {
  platform_.sockets_.on_send = [this](const uint8_t*, int, const sockaddr_in&) {
    platform_.sockets_.last_error = status::kWsaNetworkUnreachable;
    return kSocketError;
  };
  Script({{Datagram(0, 0x1234), 2, 5001}});
  EXPECT_EQ(0, RawSocketPing(platform_, L"testhost", 1000));
  EXPECT_EQ(L"Failed to send the packet. Error code: 00002743\n", Output());
  EXPECT_EQ(0, receives_);
  EXPECT_TRUE(platform_.sockets_.open_sockets.empty());
}

TEST(ElapsedMillisecondsTest, TruncatesAndNeverOverflowsOrDividesByZero) {
  EXPECT_EQ(0, ElapsedMilliseconds(100, 100, 1000));
  EXPECT_EQ(1, ElapsedMilliseconds(0, 1'999'999, 1'000'000'000));
  EXPECT_EQ(1500, ElapsedMilliseconds(10, 10 + 1'500'000'000, 1'000'000'000));
  // A counter that seems to go back counts as no time.
  EXPECT_EQ(0, ElapsedMilliseconds(500, 400, 1000));
  // A huge span is held at the most, never wrapped to a negative wait.
  constexpr int32_t kMost = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(kMost, ElapsedMilliseconds(0, std::numeric_limits<int64_t>::max(), 1'000'000'000));
  EXPECT_EQ(kMost, ElapsedMilliseconds(0, int64_t{3'000'000'000}, 1000));
  EXPECT_EQ(kMost, ElapsedMilliseconds(0, 10, 0));
}

}  // namespace
}  // namespace winreach
