#include "ping/library_ping.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/scripted_icmp_library.h"

namespace winreach {
namespace {

using namespace scripted_icmp;

class LibraryPingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script = &script_;
    script_.platform = &platform_;
    libraries_.icmp_create_file = &FakeCreate;
    libraries_.icmp_send_echo = &FakeSend;
    libraries_.icmp_close_handle = &FakeClose;
    libraries_.getaddrinfo = &FakeGetAddrInfo;
    libraries_.freeaddrinfo = &FakeFreeAddrInfo;
    libraries_.icmp6_create_file = &FakeCreate6;
    libraries_.icmp6_send_echo2 = &FakeSend6;
    platform_.sockets_.AddHost("testhost", "testhost", 10, 77, 0, 2);
    platform_.sockets_.AddHost("dualstack", "dualstack", 10, 77, 9, 9);
  }
  void TearDown() override { script = nullptr; }

  // The IPv4 attempt fails without a reply, so that IPv6 is tried.
  void Ipv4Silent() { script_.ipv4.replies = 0; }

  std::wstring Output() const { return platform_.console_.Output(); }

  FakePlatform platform_;
  PingLibraries libraries_;
  Script script_;
};

constexpr wchar_t kFallback[] = L"Ping0 - IPv4 Ping failed, try IPv6 Ping \n";

TEST_F(LibraryPingTest, Ipv4ReplySucceedsSilently) {
  EXPECT_EQ(1, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(L"", Output());
  EXPECT_EQ((std::vector<std::string>{"IcmpCreateFile", "IcmpSendEcho", "IcmpCloseHandle"}),
            script_.calls);
  const uint8_t expected[4] = {10, 77, 0, 2};
  EXPECT_EQ(0, std::memcmp(expected, &script_.ipv4_destination, 4));
  EXPECT_EQ(std::vector<uint8_t>(32, 0x45), script_.request);
  EXPECT_EQ(200, script_.options.Ttl);
  EXPECT_EQ(0, script_.options.Tos);
  EXPECT_EQ(0, script_.options.Flags);
  EXPECT_EQ(0, script_.options.OptionsSize);
  EXPECT_EQ(nullptr, script_.options.OptionsData);
  EXPECT_EQ(sizeof(ICMP_ECHO_REPLY) + 32 + 8, script_.reply_size);
  EXPECT_EQ(1000u, script_.timeout);
  EXPECT_EQ((std::vector<HANDLE>{kIcmpHandle}), script_.closed);
}

TEST_F(LibraryPingTest, DottedAddressIsPingedWhenTheLookUpFindsNothing) {
  EXPECT_EQ(1, Ping0(platform_, libraries_, L"10.77.0.7", 1000));
  const uint8_t expected[4] = {10, 77, 0, 7};
  EXPECT_EQ(0, std::memcmp(expected, &script_.ipv4_destination, 4));
}

TEST_F(LibraryPingTest, UnresolvedNameEndsWithoutFallback) {
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"fd77::2", 1000));
  EXPECT_EQ(L"Ping0 - Name resolution problem\n", Output());
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(LibraryPingTest, NameThatCannotGoWholeIsNeverLookedUp) {
  // Its cut form, the empty name, is this computer's.
  platform_.sockets_.AddHost("", "localbox", 127, 0, 0, 1);
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"\u03A9testhost", 1000));
  EXPECT_EQ(L"Ping0 - Name resolution problem\n", Output());
  EXPECT_TRUE(platform_.sockets_.lookups.empty());
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(LibraryPingTest, FailedCreateFallsBackWithoutClosing) {
  script_.create = INVALID_HANDLE_VALUE;
  script_.addresses = {"fd77::2"};
  script_.ipv6 = {Answer{}};
  EXPECT_EQ(1, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(kFallback, Output());
  EXPECT_EQ((std::vector<HANDLE>{kIcmp6Handle}), script_.closed);
}

TEST_F(LibraryPingTest, ErrorStatusIsPrintedInDecimalThroughTheLastError) {
  script_.ipv4.status = IP_DEST_HOST_UNREACHABLE;
  script_.ipv4.data_size = 0;  // the status decides first
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(std::wstring(L"Ping0 - Check the IP status is OK - LastErr 11003\n") + kFallback,
            Output());
  EXPECT_EQ(11003u, platform_.system_.last_error);
  EXPECT_EQ(kIcmpHandle, script_.closed.front());
}

TEST_F(LibraryPingTest, WrongDataSizeIsPrintedWith59) {
  for (USHORT size : {31, 33}) {
    platform_.console_.messages.clear();
    script_.ipv4.data_size = size;
    EXPECT_EQ(0, Ping0(platform_, libraries_, L"testhost", 1000));
    EXPECT_EQ(std::wstring(L"Ping0 - Check we got the same amount of data back as we sent - "
                           L"LastErr 59\n") +
                  kFallback,
              Output());
  }
}

TEST_F(LibraryPingTest, WrongDataIsPrintedWith59) {
  script_.ipv4.data[31] = 0x46;
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(std::wstring(L"Ping0 - Check the data we got back is what was sent - LastErr 59\n") +
                kFallback,
            Output());
  EXPECT_EQ(59u, platform_.system_.last_error);
}

TEST_F(LibraryPingTest, DataOutsideTheReplyBufferIsNeverRead) {
  script_.ipv4.data_outside = true;
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(std::wstring(L"Ping0 - Check the data we got back is what was sent - LastErr 59\n") +
                kFallback,
            Output());
}

TEST_F(LibraryPingTest, WithoutIpv6EntryPointsTheFallbackEndsSilently) {
  Ipv4Silent();
  libraries_.icmp6_send_echo2 = nullptr;
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(kFallback, Output());
  EXPECT_EQ((std::vector<std::string>{"IcmpCreateFile", "IcmpSendEcho", "IcmpCloseHandle"}),
            script_.calls);
}

TEST_F(LibraryPingTest, ResolutionFailureOfTheFallbackPrintsTheSocketError) {
  Ipv4Silent();
  script_.getaddrinfo_result = 11001;
  script_.getaddrinfo_error = 11001;
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"testhost", 1000));
  EXPECT_EQ(std::wstring(kFallback) +
                L"IPv6Ping - Set destination IPV6 information. Error code: 00002AF9\n",
            Output());
  EXPECT_EQ(0, script_.lists_freed);

  platform_.console_.messages.clear();
  script_.getaddrinfo_result = 0;
  script_.getaddrinfo_error = 0;
  script_.empty_list = true;
  platform_.sockets_.last_error = 11004;
  EXPECT_FALSE(IPv6Ping(platform_, libraries_, "testhost", 1000));
  EXPECT_EQ(L"IPv6Ping - Set destination IPV6 information. Error code: 00002AFC\n", Output());
}

TEST_F(LibraryPingTest, FailedIpv6CreateReleasesTheList) {
  for (HANDLE failed : {HANDLE{nullptr}, INVALID_HANDLE_VALUE}) {
    script_.calls.clear();
    script_.create6 = failed;
    script_.addresses = {"fd77::2"};
    EXPECT_FALSE(IPv6Ping(platform_, libraries_, "testhost", 1000));
    EXPECT_EQ((std::vector<std::string>{"getaddrinfo", "Icmp6CreateFile", "freeaddrinfo"}),
              script_.calls);
  }
  EXPECT_EQ(L"", Output());
}

TEST_F(LibraryPingTest, OnlyIpv4EntriesSendNothing) {
  Ipv4Silent();
  script_.addresses = {"10.77.9.9", "10.77.0.2"};
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"dualstack", 1000));
  EXPECT_EQ(kFallback, Output());
  EXPECT_TRUE(script_.ipv6_destinations.empty());
  EXPECT_EQ((std::vector<HANDLE>{kIcmpHandle, kIcmp6Handle}), script_.closed);
  EXPECT_EQ(1, script_.lists_freed);
}

TEST_F(LibraryPingTest, WalkSkipsIpv4AndGoesOnUntilAnAddressAnswers) {
  Ipv4Silent();
  script_.addresses = {"10.77.9.9", "fd77:9::9", "fd77::2", "fd77::3"};
  Answer silent;
  silent.replies = 0;
  script_.ipv6 = {silent, Answer{}};
  EXPECT_EQ(1, Ping0(platform_, libraries_, L"dualstack", 1000));
  EXPECT_EQ(kFallback, Output());
  EXPECT_EQ("dualstack", script_.name);
  EXPECT_EQ((std::vector<std::string>{"fd77:9::9", "fd77::2"}), script_.ipv6_destinations);
  EXPECT_TRUE(script_.source_unspecified);
  EXPECT_EQ(std::vector<uint8_t>(32, 0x45), script_.request);
  EXPECT_EQ(sizeof(ICMPV6_ECHO_REPLY) + 32 + 8 + 2 * sizeof(void*), script_.reply_size);
  // One IPv6 handle closed, with the IPv4 library's close; the list freed once.
  EXPECT_EQ((std::vector<HANDLE>{kIcmpHandle, kIcmp6Handle}), script_.closed);
  EXPECT_EQ(1, script_.lists_freed);
  EXPECT_EQ("freeaddrinfo", script_.calls.back());
}

TEST_F(LibraryPingTest, ErrorReplyIsPrintedAndTheNextAddressTried) {
  Ipv4Silent();
  script_.addresses = {"fd77::8", "fd77::2"};
  Answer error;
  error.status = 11003;
  script_.ipv6 = {error, Answer{}};
  EXPECT_EQ(1, Ping0(platform_, libraries_, L"dualstack", 1000));
  EXPECT_EQ(std::wstring(kFallback) + L"IPv6Ping - Error reply. Error code: 11003\n", Output());
  EXPECT_EQ(11003u, platform_.system_.last_error);
}

TEST_F(LibraryPingTest, DifferentEchoedBytesAndCountsAreSilentFailures) {
  Ipv4Silent();
  script_.addresses = {"fd77::4", "fd77::5"};
  Answer changed;
  changed.data[0] = 0;
  Answer two;
  two.replies = 2;
  script_.ipv6 = {changed, two};
  EXPECT_EQ(0, Ping0(platform_, libraries_, L"dualstack", 1000));
  EXPECT_EQ(kFallback, Output());
  EXPECT_EQ(2u, script_.ipv6_destinations.size());
  EXPECT_EQ(1, script_.lists_freed);
  EXPECT_EQ(2u, script_.closed.size());
}

TEST_F(LibraryPingTest, EmptyNameIsNoIpv6Attempt) {
  EXPECT_FALSE(IPv6Ping(platform_, libraries_, "", 1000));
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(LibraryPingTest, NegativeTimeOutIsNoWaitOfWeeks) {
  EXPECT_EQ(1, Ping0(platform_, libraries_, L"testhost", -1));
  EXPECT_EQ(0u, script_.timeout);
}

}  // namespace
}  // namespace winreach
