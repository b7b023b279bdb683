#include "platform/posix/netbios_posix.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/loopback_responder.h"

namespace winreach {
namespace {

using namespace std::chrono_literals;
using nbtest::AnswerTo;
using nbtest::Loopback;
using nbtest::Responder;

constexpr unsigned kUsable = IFF_UP | IFF_RUNNING | IFF_BROADCAST;

// LANA 0 talks from the loopback address, so that a responder on loopback
// can stand in for the target's name service.
NetbiosOptions OptionsFor(const Responder& responder) {
  NetbiosOptions options;
  options.port = ntohs(responder.address().sin_port);
  options.timing = {3, 100ms};
  options.interfaces = [] {
    InterfaceAddress entry{};
    entry.index = 2;
    entry.flags = kUsable;
    entry.address = Loopback();
    return std::optional<std::vector<InterfaceAddress>>({entry});
  };
  return options;
}

NCB StatusQuery(const std::string& call_name, uint8_t* buffer, WORD length, uint8_t lana = 0) {
  NCB ncb{};
  ncb.ncb_command = NCBASTAT;
  ncb.ncb_lana_num = lana;
  std::memset(ncb.ncb_callname, ' ', NCBNAMSZ - 1);
  std::memcpy(ncb.ncb_callname, call_name.data(), std::min<size_t>(call_name.size(), 16));
  ncb.ncb_buffer = buffer;
  ncb.ncb_length = length;
  return ncb;
}

class PosixNetbiosTest : public ::testing::Test {
 protected:
  PosixNetbiosTest()
      : responder_([](Responder& r, const Responder::Request& q, int) {
          r.Send(AnswerTo(q.id()), q.from);
        }),
        netbios_(OptionsFor(responder_)) {}

  Responder responder_;
  PosixNetbios netbios_;
  uint8_t buffer_[600] = {};
};

TEST_F(PosixNetbiosTest, ResetAcceptsEachUsableInterfaceAndNoOtherLana) {
  NetbiosOptions options;
  options.interfaces = [] {
    std::vector<InterfaceAddress> table(2);
    table[0] = {5, kUsable, Loopback()};
    table[1] = {1, IFF_UP | IFF_RUNNING | IFF_LOOPBACK, Loopback()};
    return std::optional(table);
  };
  PosixNetbios netbios(options);
  NCB reset{};
  reset.ncb_command = NCBRESET;
  EXPECT_EQ(NRC_GOODRET, netbios.Call(&reset));
  reset.ncb_lana_num = 1;
  EXPECT_EQ(NRC_BRIDGE, netbios.Call(&reset));
  EXPECT_EQ(NRC_BRIDGE, reset.ncb_retcode);
  EXPECT_EQ(NRC_BRIDGE, reset.ncb_cmd_cplt);

  NCB query = StatusQuery("127.0.0.1", buffer_, sizeof buffer_, 1);
  EXPECT_EQ(NRC_BRIDGE, netbios.Call(&query));

  options.interfaces = [] { return std::optional<std::vector<InterfaceAddress>>(); };
  PosixNetbios broken(options);
  reset.ncb_lana_num = 0;
  EXPECT_EQ(NRC_SYSTEM, broken.Call(&reset));
}

TEST_F(PosixNetbiosTest, StatusOfTheAddressInTheCallNameFillsTheBuffer) {
  NCB query = StatusQuery("127.0.0.1", buffer_, sizeof buffer_);
  ASSERT_EQ(NRC_GOODRET, netbios_.Call(&query));
  EXPECT_EQ(NRC_GOODRET, query.ncb_retcode);
  EXPECT_EQ(60 + 5 * 18, query.ncb_length);
  ADAPTER_STATUS status;
  std::memcpy(&status, buffer_, sizeof status);
  EXPECT_EQ(5, status.name_count);
  NAME_BUFFER first;
  std::memcpy(&first, buffer_ + 60, sizeof first);
  EXPECT_EQ(0, std::memcmp("TESTHOST       \0", first.name, 16));
  EXPECT_EQ(REGISTERED, first.name_flags);
  EXPECT_EQ(1u, responder_.requests().size());
}

TEST_F(PosixNetbiosTest, CallNameIsReadUpToItsZeroByteOrAllSixteenBytes) {
  // Blanks after the address, a zero suffix byte: the check's own form.
  NCB query = StatusQuery(std::string("127.0.0.1      ") + '\0', buffer_, sizeof buffer_);
  EXPECT_EQ(NRC_GOODRET, netbios_.Call(&query));
  // Sixteen bytes without a zero byte are still read no further.
  query = StatusQuery("127.0.0.1       ", buffer_, sizeof buffer_);
  EXPECT_EQ(NRC_GOODRET, netbios_.Call(&query));
  // An inner blank is not trailing: no address.
  query = StatusQuery("127.0.0 .1", buffer_, sizeof buffer_);
  EXPECT_EQ(0x14, netbios_.Call(&query));
}

TEST_F(PosixNetbiosTest, CallNameThatIsNoAddressIsNotAsked) {
  for (const std::string name : {"", "*", "TESTHOST", "10.1.2", "10.1.2.300", "::1"}) {
    NCB query = StatusQuery(name, buffer_, sizeof buffer_);
    EXPECT_EQ(0x14, netbios_.Call(&query)) << name;  // NRC_NOCALL
  }
  EXPECT_TRUE(responder_.requests().empty());
}

TEST_F(PosixNetbiosTest, AnswerLargerThanTheBufferIsIncompleteAndStaysInside) {
  uint8_t small[100 + 8];
  std::memset(small, 0xEE, sizeof small);
  NCB query = StatusQuery("127.0.0.1", small, 100);
  EXPECT_EQ(NRC_INCOMP, netbios_.Call(&query));
  EXPECT_EQ(100, query.ncb_length);
  for (size_t i = 100; i < sizeof small; ++i) EXPECT_EQ(0xEE, small[i]) << i;
}

TEST_F(PosixNetbiosTest, MissingBufferAndUnknownCommandsAreRefusedWithoutTraffic) {
  NCB query = StatusQuery("127.0.0.1", nullptr, 600);
  EXPECT_EQ(NRC_BUFLEN, netbios_.Call(&query));
  query = StatusQuery("127.0.0.1", buffer_, 0);
  EXPECT_EQ(NRC_BUFLEN, netbios_.Call(&query));

  NCB other{};
  for (uint8_t command : {uint8_t{0x00}, uint8_t{0x10}, uint8_t{NCBRESET | 0x80},
                          uint8_t{NCBASTAT | 0x80}}) {
    other.ncb_command = command;
    EXPECT_EQ(0x03, netbios_.Call(&other)) << int{command};  // NRC_ILLCMD
  }
  EXPECT_EQ(0x39, netbios_.Call(nullptr));  // NRC_INVADDRESS
  EXPECT_TRUE(responder_.requests().empty());
}

TEST(PosixNetbiosSystemTest, SilentTargetTimesOutAfterTheTries) {
  Responder silent([](Responder&, const Responder::Request&, int) {});
  PosixNetbios netbios(OptionsFor(silent));
  uint8_t buffer[600];
  NCB query = StatusQuery("127.0.0.1", buffer, sizeof buffer);
  EXPECT_EQ(NRC_CMDTMO, netbios.Call(&query));
  EXPECT_EQ(3u, silent.requests().size());
}

}  // namespace
}  // namespace winreach
