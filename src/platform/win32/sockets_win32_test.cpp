#include "platform/win32/sockets_win32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace winreach {
namespace {

class Win32SocketsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sockets_.Startup(0x0202), 0u); }
  void TearDown() override { sockets_.Cleanup(); }

  // A UDP socket bound to an ephemeral loopback port.
  SocketHandle BoundUdpSocket(sockaddr_in* address) {
    const SocketHandle socket = sockets_.Socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    EXPECT_NE(socket, kInvalidSocket);
    *address = {};
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof *address;
    EXPECT_EQ(::bind(static_cast<SOCKET>(socket), reinterpret_cast<sockaddr*>(address),
                     sizeof *address),
              0);
    EXPECT_EQ(::getsockname(static_cast<SOCKET>(socket), reinterpret_cast<sockaddr*>(address),
                            &length),
              0);
    return socket;
  }

  Win32Sockets sockets_;
};

TEST_F(Win32SocketsTest, DottedAddressResolvesToItself) {
  const std::optional<HostEntry> host = sockets_.GetHostByName("127.0.0.1");
  ASSERT_TRUE(host.has_value());
  EXPECT_EQ(host->address_type, AF_INET);
  EXPECT_EQ(host->address_length, 4);
  EXPECT_EQ(host->first_address, (std::array<uint8_t, 4>{127, 0, 0, 1}));
  ASSERT_TRUE(host->official_name.has_value());
}

TEST_F(Win32SocketsTest, InetAddrGivesNetworkOrderOrNone) {
  EXPECT_EQ(sockets_.InetAddr("127.0.0.1"), htonl(INADDR_LOOPBACK));
  EXPECT_EQ(sockets_.InetAddr("10.1.2.3"), htonl(0x0A010203));
  EXPECT_EQ(sockets_.InetAddr("fd77::2"), kInaddrNone);
  EXPECT_EQ(sockets_.InetAddr("srv01"), kInaddrNone);
}

TEST_F(Win32SocketsTest, ExpiredReceiveTimeOutFailsWithWsaTimedOut) {
  sockaddr_in address;
  const SocketHandle socket = BoundUdpSocket(&address);
  ASSERT_EQ(sockets_.SetTimeout(socket, SocketTimeout::kReceive, 100), 0);
  ASSERT_EQ(sockets_.SetTimeout(socket, SocketTimeout::kSend, 100), 0);
  uint8_t buffer[1024];
  sockaddr_in sender{};
  int sender_length = sizeof sender;
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(sockets_.RecvFrom(socket, buffer, sizeof buffer, &sender, &sender_length),
            kSocketError);
  EXPECT_EQ(sockets_.LastError(), static_cast<uint32_t>(WSAETIMEDOUT));
  // The time-out is in milliseconds, not seconds.
  EXPECT_LT(::GetTickCount() - start, 900u);
  sockets_.Close(socket);
}

TEST_F(Win32SocketsTest, DatagramArrivesWithItsSender) {
  sockaddr_in address;
  const SocketHandle receiver = BoundUdpSocket(&address);
  const SocketHandle sender_socket = sockets_.Socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  ASSERT_NE(sender_socket, kInvalidSocket);
  ASSERT_EQ(sockets_.SetTimeout(receiver, SocketTimeout::kReceive, 2000), 0);
  const uint8_t message[44] = {8, 0, 1, 2};
  EXPECT_EQ(sockets_.SendTo(sender_socket, message, sizeof message, address), 44);

  uint8_t buffer[1024] = {};
  sockaddr_in sender{};
  int sender_length = sizeof sender;
  EXPECT_EQ(sockets_.RecvFrom(receiver, buffer, sizeof buffer, &sender, &sender_length), 44);
  EXPECT_EQ(std::memcmp(buffer, message, sizeof message), 0);
  EXPECT_EQ(sender_length, static_cast<int>(sizeof sender));
  EXPECT_EQ(sender.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
  sockets_.Close(sender_socket);
  sockets_.Close(receiver);
}

TEST_F(Win32SocketsTest, FailuresLeaveTheirSocketErrorBehind) {
  EXPECT_EQ(sockets_.Socket(AF_INET, SOCK_DGRAM, 12345), kInvalidSocket);
  EXPECT_NE(sockets_.LastError(), 0u);
  // The socket layer's last error and the thread's are one slot.
  ::SetLastError(10060);
  EXPECT_EQ(sockets_.LastError(), 10060u);
}

}  // namespace
}  // namespace winreach
