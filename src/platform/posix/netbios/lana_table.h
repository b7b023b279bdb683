// LAN adapter numbers on Linux: LANA n is the n-th interface, by interface
// index, that is up, running, not loopback and has an IPv4 address. The table
// is read afresh on every use, so it follows interfaces as they come and go.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace winreach {

// One IPv4 address of an interface, as the system lists them.
struct InterfaceAddress {
  unsigned index;    // the interface index
  unsigned flags;    // IFF_* flags of the interface
  in_addr address;
};

// The local address through which LANA `lana` talks: the first listed IPv4
// address of the `lana`-th usable interface. Empty when there are fewer.
std::optional<in_addr> LanaAddress(std::span<const InterfaceAddress> interfaces, uint8_t lana);

// Every IPv4 address of every interface (getifaddrs). Empty on failure.
std::optional<std::vector<InterfaceAddress>> SystemInterfaceAddresses();

}  // namespace winreach
