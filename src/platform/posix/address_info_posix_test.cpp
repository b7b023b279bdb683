#include "platform/posix/address_info_posix.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "platform/posix/last_error.h"

namespace winreach {
namespace {

using address_info::FreeAddrInfo;
using address_info::GetAddrInfo;
using address_info::WinsockErrorFromAddrInfo;

// Numeric names only: no query may leave this machine.
TEST(AddressInfoTest, WithoutHintsOneEntryPerAddress) {
  for (const char* literal : {"::1", "127.0.0.1"}) {
    PADDRINFOA list = nullptr;
    ASSERT_EQ(0, GetAddrInfo(literal, nullptr, nullptr, &list)) << literal;
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(nullptr, list->ai_next) << literal;  // glibc alone gives three
    EXPECT_EQ(std::strchr(literal, ':') ? AF_INET6 : AF_INET, list->ai_family);
    EXPECT_EQ(0, list->ai_socktype);
    FreeAddrInfo(list);
  }
}

TEST(AddressInfoTest, HintsAreTheCallersAndPassedOn) {
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_flags = AI_NUMERICHOST;
  PADDRINFOA list = nullptr;
  ASSERT_EQ(0, GetAddrInfo("::1", nullptr, &hints, &list));
  int entries = 0;
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) ++entries;
  EXPECT_EQ(3, entries);  // every socket type, as asked
  FreeAddrInfo(list);
  FreeAddrInfo(nullptr);
}

TEST(AddressInfoTest, FailureIsTheWindowsSocketsCodeReturnedAndLeftBehind) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  PADDRINFOA list = reinterpret_cast<PADDRINFOA>(&hints);
  SetThreadLastError(0);
  EXPECT_EQ(11001, GetAddrInfo("not-a-number", nullptr, &hints, &list));
  EXPECT_EQ(11001u, ThreadLastError());
  EXPECT_EQ(nullptr, list);

  hints.ai_family = 12345;
  EXPECT_EQ(10047, GetAddrInfo("::1", nullptr, &hints, &list));
  EXPECT_EQ(10047u, ThreadLastError());
  EXPECT_EQ(10014, GetAddrInfo("::1", nullptr, nullptr, nullptr));
}

TEST(AddressInfoTest, EveryResolverResultHasItsCode) {
  const std::pair<int, int> expected[] = {
      {0, 0},          {EAI_NONAME, 11001}, {EAI_AGAIN, 11002},  {EAI_FAIL, 11003},
      {EAI_NODATA, 11004}, {EAI_ADDRFAMILY, 11004}, {EAI_FAMILY, 10047}, {EAI_SOCKTYPE, 10044},
      {EAI_SERVICE, 10109}, {EAI_BADFLAGS, 10022}, {EAI_MEMORY, 8},
  };
  for (const auto& [eai, code] : expected) EXPECT_EQ(code, WinsockErrorFromAddrInfo(eai, 0)) << eai;
  EXPECT_EQ(10055, WinsockErrorFromAddrInfo(EAI_SYSTEM, ENOBUFS));
}

}  // namespace
}  // namespace winreach
