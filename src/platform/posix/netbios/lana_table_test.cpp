#include "platform/posix/netbios/lana_table.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>

#include <string>
#include <vector>

namespace winreach {
namespace {

constexpr unsigned kUsable = IFF_UP | IFF_RUNNING | IFF_BROADCAST;

InterfaceAddress Entry(unsigned index, unsigned flags, const char* address) {
  InterfaceAddress entry{};
  entry.index = index;
  entry.flags = flags;
  ::inet_pton(AF_INET, address, &entry.address);
  return entry;
}

std::string Lana(const std::vector<InterfaceAddress>& table, uint8_t lana) {
  const auto address = LanaAddress(table, lana);
  if (!address) return "none";
  char text[INET_ADDRSTRLEN];
  return ::inet_ntop(AF_INET, &*address, text, sizeof text);
}

TEST(LanaTableTest, UsableInterfacesAreNumberedByIndex) {
  const std::vector<InterfaceAddress> table = {
      Entry(1, IFF_UP | IFF_RUNNING | IFF_LOOPBACK, "127.0.0.1"),
      Entry(7, kUsable, "192.0.2.7"),
      Entry(3, kUsable, "192.0.2.3"),
      Entry(4, IFF_UP | IFF_BROADCAST, "192.0.2.4"),       // no carrier
      Entry(5, IFF_RUNNING | IFF_BROADCAST, "192.0.2.5"),  // down
      Entry(3, kUsable, "198.51.100.3"),                    // a second address of 3
      Entry(9, kUsable | IFF_POINTOPOINT, "192.0.2.9"),
  };
  EXPECT_EQ("192.0.2.3", Lana(table, 0));  // its first address
  EXPECT_EQ("192.0.2.7", Lana(table, 1));
  EXPECT_EQ("192.0.2.9", Lana(table, 2));
  EXPECT_EQ("none", Lana(table, 3));
  EXPECT_EQ("none", Lana(table, 255));
}

TEST(LanaTableTest, NoUsableInterfaceMeansNoLana) {
  EXPECT_EQ("none", Lana({}, 0));
  EXPECT_EQ("none", Lana({Entry(1, IFF_UP | IFF_RUNNING | IFF_LOOPBACK, "127.0.0.1")}, 0));
}

TEST(LanaTableTest, SystemListHasEveryIpv4AddressWithItsInterfaceIndex) {
  const auto addresses = SystemInterfaceAddresses();
  ASSERT_TRUE(addresses);
  for (const auto& entry : *addresses) {
    char name[IF_NAMESIZE];
    EXPECT_NE(nullptr, ::if_indextoname(entry.index, name)) << entry.index;
  }
}

}  // namespace
}  // namespace winreach
