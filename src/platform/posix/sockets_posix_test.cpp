#include "platform/posix/sockets_posix.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "platform/status_codes.h"

namespace winreach {
namespace {

int64_t NowMs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A UDP socket bound to a free loopback port, through the same interface.
SocketHandle BoundUdp(PosixSockets& sockets, uint16_t* port) {
  const SocketHandle socket = sockets.Socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in address = Loopback(0);
  const int fd = static_cast<int>(socket);
  EXPECT_EQ(0, ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  *port = ntohs(address.sin_port);
  return socket;
}

TEST(PosixSocketsTest, ReceiveTimeOutEndsNeitherEarlyNorMuchLate) {
  PosixSockets sockets;
  uint16_t port;
  const SocketHandle socket = BoundUdp(sockets, &port);
  ASSERT_EQ(0, sockets.SetTimeout(socket, SocketTimeout::kReceive, 100));
  uint8_t buffer[64];
  sockaddr_in sender{};
  int sender_length = sizeof sender;
  const int64_t start = NowMs();
  EXPECT_EQ(kSocketError, sockets.RecvFrom(socket, buffer, sizeof buffer, &sender, &sender_length));
  const int64_t waited = NowMs() - start;
  EXPECT_EQ(status::kWsaTimedOut, sockets.LastError());
  EXPECT_GE(waited, 100);
  EXPECT_LT(waited, 190);  // not rounded up to a timer tick nor waited twice
  sockets.Close(socket);
}

TEST(PosixSocketsTest, DatagramIsReceivedWithItsSenderAndAnOversizedOneRefused) {
  PosixSockets sockets;
  uint16_t port;
  const SocketHandle socket = BoundUdp(sockets, &port);
  ASSERT_EQ(0, sockets.SetTimeout(socket, SocketTimeout::kReceive, 1000));
  const uint8_t message[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(5, sockets.SendTo(socket, message, 5, Loopback(port)));
  uint8_t buffer[8] = {};
  sockaddr_in sender{};
  int sender_length = sizeof sender;
  EXPECT_EQ(5, sockets.RecvFrom(socket, buffer, sizeof buffer, &sender, &sender_length));
  EXPECT_EQ(0, std::memcmp(message, buffer, 5));
  EXPECT_EQ(htons(port), sender.sin_port);

  // Larger than the buffer: refused as Windows refuses it, not cut silently.
  ASSERT_EQ(5, sockets.SendTo(socket, message, 5, Loopback(port)));
  EXPECT_EQ(kSocketError, sockets.RecvFrom(socket, buffer, 3, &sender, &sender_length));
  EXPECT_EQ(status::kWsaMessageSize, sockets.LastError());
  sockets.Close(socket);
}

TEST(PosixSocketsTest, ClosedSocketIsNoSocket) {
  PosixSockets sockets;
  uint16_t port;
  const SocketHandle socket = BoundUdp(sockets, &port);
  sockets.Close(socket);
  EXPECT_EQ(kSocketError, sockets.SetTimeout(socket, SocketTimeout::kReceive, 10));
  EXPECT_EQ(10038u, sockets.LastError());  // WSAENOTSOCK
}

TEST(PosixSocketsTest, EmptyNameResolvesAsTheLocalComputer) {
  char local[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(0, ::gethostname(local, sizeof local - 1));
  PosixSockets sockets;
  const std::optional<HostEntry> empty = sockets.GetHostByName("");
  const uint32_t empty_error = sockets.LastError();
  const std::optional<HostEntry> named = sockets.GetHostByName(local);
  ASSERT_EQ(named.has_value(), empty.has_value());
  if (named) {
    EXPECT_EQ(named->first_address, empty->first_address);
    EXPECT_EQ(named->official_name, empty->official_name);
  } else {
    EXPECT_EQ(sockets.LastError(), empty_error);
  }
}

}  // namespace
}  // namespace winreach
