#include "platform/posix/icmp_provider.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "platform/posix/last_error.h"
#include "platform/posix/libraries_posix.h"

namespace winreach {
namespace {

using namespace icmp_provider;

constexpr DWORD kReplySize4 = sizeof(ICMP_ECHO_REPLY) + 32 + 8;
constexpr DWORD kReplySize6 = sizeof(ICMPV6_ECHO_REPLY) + 32 + 8;

bool WriteFile(const char* path, const char* text) {
  std::ofstream file(path);
  file << text;
  return static_cast<bool>(file.flush());
}

bool LoopbackUp() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ifreq request{};
  std::strcpy(request.ifr_name, "lo");
  bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
  up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  ::close(fd);
  return up;
}

// Runs `body` in a child process with a network namespace of its own, where
// only loopback exists, and ICMP datagram sockets are open to everyone
// unless `open` is false. The host's own settings are never touched. The
// child's failed expectations make it exit non-zero.
void InPrivateNetwork(const std::function<void()>& body, bool open = true) {
  if (::geteuid() != 0) {
    if (const char* ci = std::getenv("CI"); ci != nullptr && std::string(ci) == "true") {
      FAIL() << "a private network namespace needs root, and CI must not skip";
    }
    GTEST_SKIP() << "a private network namespace needs root";
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::unshare(CLONE_NEWNET) != 0 || !LoopbackUp() ||
        !WriteFile("/proc/sys/net/ipv4/ping_group_range", open ? "0 2147483647" : "1 0")) {
      std::fprintf(stderr, "private network namespace could not be set up\n");
      ::_exit(3);
    }
    body();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status)) << "the child died";
  EXPECT_EQ(0, WEXITSTATUS(status)) << "expectations failed in the private network (see above)";
}

int64_t NowMs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

IP_OPTION_INFORMATION Options() {
  IP_OPTION_INFORMATION options{};
  options.Ttl = 200;
  return options;
}

IPAddr Loopback4() { return htonl(INADDR_LOOPBACK); }

TEST(IcmpProviderTest, Ipv4EchoOverLoopbackFillsOneReply) {
  InPrivateNetwork([] {
    ASSERT_TRUE(KernelOffersIcmpSockets(AF_INET));
    const HANDLE icmp = IcmpCreateFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, icmp);
    uint8_t request[32];
    std::memset(request, 0x45, sizeof request);
    IP_OPTION_INFORMATION options = Options();
    alignas(ICMP_ECHO_REPLY) uint8_t buffer[kReplySize4] = {};
    // Twice on one handle: the second echo is not confused with the first.
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(1u, IcmpSendEcho(icmp, Loopback4(), request, 32, &options, buffer, kReplySize4,
                                 1000));
      ICMP_ECHO_REPLY reply;
      std::memcpy(&reply, buffer, sizeof reply);
      EXPECT_EQ(IP_SUCCESS, reply.Status);
      EXPECT_EQ(Loopback4(), reply.Address);
      EXPECT_EQ(32, reply.DataSize);
      EXPECT_EQ(static_cast<void*>(buffer + sizeof(ICMP_ECHO_REPLY)), reply.Data);
      EXPECT_EQ(0, std::memcmp(request, buffer + sizeof(ICMP_ECHO_REPLY), 32));
      EXPECT_LT(reply.RoundTripTime, 500u);  // milliseconds, not a finer unit
    }
    EXPECT_EQ(1, IcmpCloseHandle(icmp));
    EXPECT_EQ(0, IcmpCloseHandle(icmp));
    EXPECT_EQ(6u, ThreadLastError());
  });
}

TEST(IcmpProviderTest, SilenceEndsWithTheTimeOutAndIpReqTimedOut) {
  InPrivateNetwork([] {
    ASSERT_TRUE(WriteFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"));
    const HANDLE icmp = IcmpCreateFile();
    uint8_t request[32] = {};
    alignas(ICMP_ECHO_REPLY) uint8_t buffer[kReplySize4] = {};
    const int64_t start = NowMs();
    EXPECT_EQ(0u, IcmpSendEcho(icmp, Loopback4(), request, 32, nullptr, buffer, kReplySize4, 200));
    const int64_t waited = NowMs() - start;
    EXPECT_EQ(IP_REQ_TIMED_OUT, ThreadLastError());
    EXPECT_GE(waited, 200);
    EXPECT_LT(waited, 600);  // the time-out, with room for a loaded machine
    ICMP_ECHO_REPLY reply;
    std::memcpy(&reply, buffer, sizeof reply);
    EXPECT_EQ(IP_REQ_TIMED_OUT, reply.Status);
    IcmpCloseHandle(icmp);
  });
}

TEST(IcmpProviderTest, RefusesSmallBuffersBadHandlesAndAsynchronousSends) {
  InPrivateNetwork([] {
    const HANDLE icmp = IcmpCreateFile();
    uint8_t request[32] = {};
    alignas(ICMP_ECHO_REPLY) uint8_t buffer[kReplySize4 + 64] = {};
    // The 32-bit layout's 60 bytes are too small for the 64-bit structure.
    EXPECT_EQ(0u, IcmpSendEcho(icmp, Loopback4(), request, 32, nullptr, buffer, kReplySize4 - 1,
                               100));
    EXPECT_EQ(IP_BUF_TOO_SMALL, ThreadLastError());
    EXPECT_EQ(0u, IcmpSendEcho(icmp, Loopback4(), request, 32, nullptr, nullptr, kReplySize4, 100));
    EXPECT_EQ(87u, ThreadLastError());
    const HANDLE icmp6 = Icmp6CreateFile();
    EXPECT_EQ(0u, IcmpSendEcho(icmp6, Loopback4(), request, 32, nullptr, buffer, kReplySize4,
                               100));  // an IPv6 handle
    EXPECT_EQ(6u, ThreadLastError());
    sockaddr_in6 source{};
    source.sin6_family = AF_INET6;
    sockaddr_in6 destination = source;
    destination.sin6_addr = in6addr_loopback;
    EXPECT_EQ(0u, Icmp6SendEcho2(icmp6, icmp6, nullptr, nullptr, &source, &destination, request,
                                 32, nullptr, buffer, sizeof buffer, 100));
    EXPECT_EQ(50u, ThreadLastError());  // no event: synchronous only
    EXPECT_EQ(0u, Icmp6SendEcho2(icmp6, nullptr, nullptr, nullptr, &source, nullptr, request, 32,
                                 nullptr, buffer, sizeof buffer, 100));
    EXPECT_EQ(87u, ThreadLastError());
    IcmpCloseHandle(icmp);
    IcmpCloseHandle(icmp6);
  });
}

TEST(IcmpProviderTest, LocalRouteFailureIsNoReply) {
  InPrivateNetwork([] {
    // Only loopback exists: 10.77.0.2 has no route at all.
    const HANDLE icmp = IcmpCreateFile();
    uint8_t request[32] = {};
    alignas(ICMP_ECHO_REPLY) uint8_t buffer[kReplySize4] = {};
    IPAddr nowhere;
    inet_pton(AF_INET, "10.77.0.2", &nowhere);
    const int64_t start = NowMs();
    EXPECT_EQ(0u, IcmpSendEcho(icmp, nowhere, request, 32, nullptr, buffer, kReplySize4, 1000));
    EXPECT_LT(NowMs() - start, 500);  // at once, not after the time-out
    EXPECT_EQ(IP_DEST_NET_UNREACHABLE, ThreadLastError());
    IcmpCloseHandle(icmp);
  });
}

TEST(IcmpProviderTest, Ipv6EchoOverLoopbackPutsTheDataBehindTheStructure) {
  InPrivateNetwork([] {
    ASSERT_TRUE(KernelOffersIcmpSockets(AF_INET6));
    const HANDLE icmp = Icmp6CreateFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, icmp);
    uint8_t request[32];
    std::memset(request, 0x45, sizeof request);
    IP_OPTION_INFORMATION options = Options();
    sockaddr_in6 source{};
    source.sin6_family = AF_INET6;
    sockaddr_in6 destination = source;
    destination.sin6_addr = in6addr_loopback;
    alignas(ICMPV6_ECHO_REPLY) uint8_t buffer[kReplySize6] = {};
    EXPECT_EQ(1u, Icmp6SendEcho2(icmp, nullptr, nullptr, nullptr, &source, &destination, request,
                                 32, &options, buffer, kReplySize6, 1000));
    ICMPV6_ECHO_REPLY reply;
    std::memcpy(&reply, buffer, sizeof reply);
    EXPECT_EQ(IP_SUCCESS, reply.Status);
    EXPECT_EQ(0, std::memcmp(&in6addr_loopback, reply.Address.sin6_addr, 16));
    EXPECT_EQ(0, std::memcmp(request, buffer + sizeof(ICMPV6_ECHO_REPLY), 32));
    EXPECT_EQ(1, IcmpCloseHandle(icmp));
  });
}

TEST(PosixLibrariesTest, IcmpLibrariesArePresentExactlyWhenTheKernelAllowsIt) {
  InPrivateNetwork([] {
    PosixLibraries libraries;
    EXPECT_EQ(nullptr, libraries.Load(L"ICMP.DLL"));
    EXPECT_EQ(126u, ThreadLastError());
    EXPECT_EQ(nullptr, libraries.Load(L"Iphlpapi.dll"));
    EXPECT_NE(nullptr, libraries.Load(L"Ws2_32.dll"));
  }, /*open=*/false);
  InPrivateNetwork([] {
    PosixLibraries libraries;
    const LibraryHandle icmp = libraries.Load(L"ICMP.DLL");
    ASSERT_NE(nullptr, icmp);
    EXPECT_NE(nullptr, libraries.GetProcAddress(icmp, "IcmpSendEcho"));
    EXPECT_NE(nullptr, libraries.Load(L"Iphlpapi.dll"));
  });
}

TEST(PosixLibrariesTest, HandlesCountUsesAndEntryPointsAreLookedUpByExactName) {
  int probes = 0;
  PosixLibraries libraries([&probes](int) {
    ++probes;
    return true;
  });
  const LibraryHandle icmp = libraries.Load(L"ICMP.DLL");
  ASSERT_NE(nullptr, icmp);
  EXPECT_EQ(icmp, libraries.Load(L"icmp"));  // case and extension as Windows reads them
  EXPECT_EQ(1, probes);                      // a held library is not probed again
  EXPECT_EQ(2, libraries.UsesOf(L"ICMP.DLL"));
  EXPECT_EQ(reinterpret_cast<void*>(&icmp_provider::IcmpCreateFile),
            libraries.GetProcAddress(icmp, "IcmpCreateFile"));
  EXPECT_EQ(nullptr, libraries.GetProcAddress(icmp, "icmpcreatefile"));
  EXPECT_EQ(127u, ThreadLastError());
  EXPECT_EQ(nullptr, libraries.GetProcAddress(icmp, "getaddrinfo"));
  EXPECT_EQ(nullptr, libraries.Load(L"Wship6.dll"));
  EXPECT_EQ(126u, ThreadLastError());

  EXPECT_TRUE(libraries.Free(icmp));
  EXPECT_TRUE(libraries.Free(icmp));
  EXPECT_FALSE(libraries.Free(icmp));  // no use left
  EXPECT_EQ(nullptr, libraries.GetProcAddress(icmp, "IcmpCreateFile"));
  EXPECT_EQ(6u, ThreadLastError());
  int local = 0;
  EXPECT_FALSE(libraries.Free(&local));
}

}  // namespace
}  // namespace winreach
