#include "platform/posix/netbios/lana_table.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>
#include <string>

namespace winreach {

namespace {

bool Usable(unsigned flags) {
  return (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0;
}

}  // namespace

std::optional<in_addr> LanaAddress(std::span<const InterfaceAddress> interfaces, uint8_t lana) {
  // The usable interfaces by index, each with its first address; a stable
  // sort keeps the system's order of one interface's addresses.
  std::vector<InterfaceAddress> usable;
  for (const InterfaceAddress& entry : interfaces) {
    if (Usable(entry.flags)) usable.push_back(entry);
  }
  std::stable_sort(usable.begin(), usable.end(),
                   [](const auto& a, const auto& b) { return a.index < b.index; });
  const auto end = std::unique(usable.begin(), usable.end(),
                               [](const auto& a, const auto& b) { return a.index == b.index; });
  if (static_cast<size_t>(end - usable.begin()) <= lana) return std::nullopt;
  return usable[lana].address;
}

std::optional<std::vector<InterfaceAddress>> SystemInterfaceAddresses() {
  struct ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::vector<InterfaceAddress> addresses;
  for (const struct ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    // An address with a label ("eth0:1") belongs to the device before the colon.
    std::string device = entry->ifa_name;
    device = device.substr(0, device.find(':'));
    const unsigned index = ::if_nametoindex(device.c_str());
    if (index == 0) continue;
    InterfaceAddress address{};
    address.index = index;
    address.flags = entry->ifa_flags;
    address.address = reinterpret_cast<const struct sockaddr_in*>(entry->ifa_addr)->sin_addr;
    addresses.push_back(address);
  }
  ::freeifaddrs(list);
  return addresses;
}

}  // namespace winreach
