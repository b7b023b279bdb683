// Pins the layouts and values that the logic and the Linux platform rely on to
// what the Windows SDK headers give, in the 32-bit and in the 64-bit build.
#include "platform/native_types.h"

#include <gtest/gtest.h>

#include <icmpapi.h>

#include <cstddef>
#include <type_traits>

#include "ping/library_ping.h"
#include "platform/files.h"
#include "platform/icmp_api.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sockets.h"
#include "platform/status_codes.h"

namespace winreach {
namespace {

constexpr bool kWin64 = sizeof(void*) == 8;

TEST(NativeTypesTest, IcmpEchoReplyHasThePlatformLayoutOfTheBuild) {
  // IcmpSendEcho writes the native layout: 28 bytes with a 4-byte Data
  // pointer in a 32-bit process, 40 bytes with an 8-byte one in a 64-bit one.
  EXPECT_EQ(offsetof(ICMP_ECHO_REPLY, Address), 0u);
  EXPECT_EQ(offsetof(ICMP_ECHO_REPLY, Status), 4u);
  EXPECT_EQ(offsetof(ICMP_ECHO_REPLY, RoundTripTime), 8u);
  EXPECT_EQ(offsetof(ICMP_ECHO_REPLY, DataSize), 12u);
  EXPECT_EQ(offsetof(ICMP_ECHO_REPLY, Data), 16u);
  EXPECT_EQ(offsetof(ICMP_ECHO_REPLY, Options), kWin64 ? 24u : 20u);
  EXPECT_EQ(sizeof(ICMP_ECHO_REPLY), kWin64 ? 40u : 28u);
  EXPECT_EQ(sizeof(IP_OPTION_INFORMATION), kWin64 ? 16u : 8u);
  EXPECT_EQ(offsetof(IP_OPTION_INFORMATION, OptionsData), kWin64 ? 8u : 4u);
}

TEST(NativeTypesTest, Icmpv6EchoReplyIsPackedAsThePlatformWritesIt) {
  EXPECT_EQ(sizeof(IPV6_ADDRESS_EX), 26u);
  EXPECT_EQ(offsetof(IPV6_ADDRESS_EX, sin6_port), 0u);
  EXPECT_EQ(offsetof(IPV6_ADDRESS_EX, sin6_flowinfo), 2u);
  EXPECT_EQ(offsetof(IPV6_ADDRESS_EX, sin6_addr), 6u);
  EXPECT_EQ(offsetof(IPV6_ADDRESS_EX, sin6_scope_id), 22u);
  EXPECT_EQ(sizeof(ICMPV6_ECHO_REPLY), 36u);
  EXPECT_EQ(offsetof(ICMPV6_ECHO_REPLY, Status), 28u);
  EXPECT_EQ(offsetof(ICMPV6_ECHO_REPLY, RoundTripTime), 32u);
}

TEST(NativeTypesTest, ReplyBuffersHoldWhatThePlatformDocumentsForTheBuild) {
  // One reply structure, the 32 echoed bytes and the 8 bytes of an ICMP
  // error; the IPv6 buffer also has room for an I/O status block.
  EXPECT_GE(kIpv4ReplyBufferSize, sizeof(ICMP_ECHO_REPLY) + 32 + 8);
  EXPECT_GE(kIpv6ReplyBufferSize, sizeof(ICMPV6_ECHO_REPLY) + 32 + 8 + sizeof(IO_STATUS_BLOCK));
  EXPECT_EQ(kIpv4ReplyBufferSize, kWin64 ? 80u : 68u);
  EXPECT_EQ(kIpv6ReplyBufferSize, kWin64 ? 92u : 84u);
}

TEST(NativeTypesTest, NetbiosBlocksHaveThePlatformLayoutOfTheBuild) {
  EXPECT_EQ(offsetof(NCB, ncb_buffer), kWin64 ? 8u : 4u);
  EXPECT_EQ(offsetof(NCB, ncb_length), kWin64 ? 16u : 8u);
  EXPECT_EQ(offsetof(NCB, ncb_callname), kWin64 ? 18u : 10u);
  EXPECT_EQ(offsetof(NCB, ncb_post), kWin64 ? 56u : 44u);
  EXPECT_EQ(offsetof(NCB, ncb_lana_num), kWin64 ? 64u : 48u);
  EXPECT_EQ(offsetof(NCB, ncb_event), kWin64 ? 88u : 60u);
  EXPECT_EQ(sizeof(NCB), kWin64 ? 96u : 64u);

  // The reply area: 60 + 30 * 18 = 600 bytes in both builds.
  EXPECT_EQ(sizeof(ADAPTER_STATUS), 60u);
  EXPECT_EQ(offsetof(ADAPTER_STATUS, name_count), 58u);
  EXPECT_EQ(sizeof(NAME_BUFFER), 18u);
  EXPECT_EQ(offsetof(NAME_BUFFER, name_flags), 17u);
  EXPECT_EQ(NCBNAMSZ, 16);
  EXPECT_EQ(NCBRESET, 0x32);
  EXPECT_EQ(NCBASTAT, 0x33);
  EXPECT_EQ(NRC_BRIDGE, 0x23);
  EXPECT_EQ(NRC_CMDTMO, 0x05);
  EXPECT_EQ(NRC_INCOMP, 0x06);
  EXPECT_EQ(NRC_SYSTEM, 0x40);
  EXPECT_EQ(GROUP_NAME, 0x80);
  EXPECT_EQ(REGISTERED, 0x04);
}

TEST(NativeTypesTest, SocketAddressesHaveTheirWireSizes) {
  EXPECT_EQ(sizeof(sockaddr_in), 16u);
  EXPECT_EQ(offsetof(sockaddr_in, sin_addr), 4u);
  EXPECT_EQ(sizeof(sockaddr_in6), 28u);
  EXPECT_EQ(AF_INET, 2);
  EXPECT_EQ(AF_INET6, 23);
  EXPECT_EQ(SOCK_RAW, 3);
  EXPECT_EQ(IPPROTO_ICMP, 1);
  EXPECT_EQ(SOL_SOCKET, 0xFFFF);
  EXPECT_EQ(SO_RCVTIMEO, 0x1006);
  EXPECT_EQ(SO_SNDTIMEO, 0x1005);
}

// A pointer type without WINAPI would call a stdcall entry point as cdecl
// and wreck the 32-bit stack: the types must be the SDK's own.
TEST(NativeTypesTest, EntryPointTypesAreTheDeclarationsOfTheSdk) {
  EXPECT_TRUE((std::is_same_v<IcmpCreateFileFn, decltype(&::IcmpCreateFile)>));
  EXPECT_TRUE((std::is_same_v<IcmpCloseHandleFn, decltype(&::IcmpCloseHandle)>));
  EXPECT_TRUE((std::is_same_v<IcmpSendEchoFn, decltype(&::IcmpSendEcho)>));
  EXPECT_TRUE((std::is_same_v<Icmp6CreateFileFn, decltype(&::Icmp6CreateFile)>));
  EXPECT_TRUE((std::is_same_v<GetAddrInfoFn, decltype(&::getaddrinfo)>));
  EXPECT_TRUE((std::is_same_v<FreeAddrInfoFn, decltype(&::freeaddrinfo)>));
}

TEST(NativeTypesTest, SeamConstantsAreTheSdkValues) {
  EXPECT_EQ(LocalMachineRoot(), static_cast<RegistryKey>(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(kKeyRead, static_cast<uint32_t>(KEY_READ));
  EXPECT_EQ(kKeyAllAccess, static_cast<uint32_t>(KEY_ALL_ACCESS));
  EXPECT_EQ(kKeyWow64_64Key, static_cast<uint32_t>(KEY_WOW64_64KEY));
  EXPECT_EQ(InvalidFileHandle(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(kGenericRead, GENERIC_READ);
  EXPECT_EQ(kFileShareRead, static_cast<uint32_t>(FILE_SHARE_READ));
  EXPECT_EQ(kFileShareWrite, static_cast<uint32_t>(FILE_SHARE_WRITE));
  EXPECT_EQ(kOpenExisting, static_cast<uint32_t>(OPEN_EXISTING));
  EXPECT_EQ(kGenericAll, static_cast<uint32_t>(GENERIC_ALL));
  EXPECT_EQ(kInvalidSocket, static_cast<SocketHandle>(INVALID_SOCKET));
  EXPECT_EQ(kSocketError, SOCKET_ERROR);
  EXPECT_EQ(kInaddrNone, static_cast<uint32_t>(INADDR_NONE));
}

// The Linux platform prints these numbers as Windows would: they must be the
// numbers of the SDK.
TEST(NativeTypesTest, StatusCodesAreTheSdkValues) {
  EXPECT_EQ(status::kFileNotFound, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(status::kPathNotFound, static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(status::kAccessDenied, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(status::kInvalidHandle, static_cast<uint32_t>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(status::kNotEnoughMemory, static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(status::kBadNetPath, static_cast<uint32_t>(ERROR_BAD_NETPATH));
  EXPECT_EQ(status::kUnexpectedNetError, static_cast<uint32_t>(ERROR_UNEXP_NET_ERR));
  EXPECT_EQ(status::kBadNetName, static_cast<uint32_t>(ERROR_BAD_NET_NAME));
  EXPECT_EQ(status::kInvalidParameter, static_cast<uint32_t>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(status::kInsufficientBuffer, static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(status::kInvalidLevel, static_cast<uint32_t>(ERROR_INVALID_LEVEL));
  EXPECT_EQ(status::kMoreData, static_cast<uint32_t>(ERROR_MORE_DATA));
  EXPECT_EQ(status::kLogonFailure, static_cast<uint32_t>(ERROR_LOGON_FAILURE));
  EXPECT_EQ(status::kRpcServerUnavailable, static_cast<uint32_t>(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(status::kRpcProtocolError, static_cast<uint32_t>(RPC_S_PROTOCOL_ERROR));

  EXPECT_EQ(status::kWsaAccess, static_cast<uint32_t>(WSAEACCES));
  EXPECT_EQ(status::kWsaInvalidArgument, static_cast<uint32_t>(WSAEINVAL));
  EXPECT_EQ(status::kWsaTooManySockets, static_cast<uint32_t>(WSAEMFILE));
  EXPECT_EQ(status::kWsaMessageSize, static_cast<uint32_t>(WSAEMSGSIZE));
  EXPECT_EQ(status::kWsaProtocolNotSupported, static_cast<uint32_t>(WSAEPROTONOSUPPORT));
  EXPECT_EQ(status::kWsaAddressFamilyNotSupported, static_cast<uint32_t>(WSAEAFNOSUPPORT));
  EXPECT_EQ(status::kWsaNetworkUnreachable, static_cast<uint32_t>(WSAENETUNREACH));
  EXPECT_EQ(status::kWsaNoBuffers, static_cast<uint32_t>(WSAENOBUFS));
  EXPECT_EQ(status::kWsaTimedOut, static_cast<uint32_t>(WSAETIMEDOUT));
  EXPECT_EQ(status::kWsaConnectionRefused, static_cast<uint32_t>(WSAECONNREFUSED));
  EXPECT_EQ(status::kWsaHostUnreachable, static_cast<uint32_t>(WSAEHOSTUNREACH));
  EXPECT_EQ(status::kWsaHostNotFound, static_cast<uint32_t>(WSAHOST_NOT_FOUND));
  EXPECT_EQ(status::kWsaTryAgain, static_cast<uint32_t>(WSATRY_AGAIN));
  EXPECT_EQ(status::kWsaNoRecovery, static_cast<uint32_t>(WSANO_RECOVERY));
  EXPECT_EQ(status::kWsaNoData, static_cast<uint32_t>(WSANO_DATA));

  EXPECT_EQ(IP_SUCCESS, 0);
  EXPECT_EQ(IP_DEST_NET_UNREACHABLE, 11002);
  EXPECT_EQ(IP_DEST_HOST_UNREACHABLE, 11003);
  EXPECT_EQ(IP_DEST_PORT_UNREACHABLE, 11005);
  EXPECT_EQ(IP_REQ_TIMED_OUT, 11010);
  EXPECT_EQ(IP_TTL_EXPIRED_TRANSIT, 11013);
}

}  // namespace
}  // namespace winreach
