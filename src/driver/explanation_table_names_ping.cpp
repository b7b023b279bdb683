// The explanation table's names and ping: this computer's own failures and
// Windows Sockets codes for every check, its network layer, name resolution,
// the NetBIOS adapter status and the ping. Sources: see explanation_table.h.
#include "driver/explanation_table.h"

namespace winreach {

namespace {

using W = RowWhen;
constexpr RowMark kExpected = RowMark::kExpected;

constexpr ExplanationRow kRows[] = {
    // Failures on this computer's side, whatever the check.
    {"", 4, W::kAlways, L"No more files could be opened.", nullptr, nullptr},          // [E0]
    {"", 6, W::kAlways, L"An internal handle was not valid.", nullptr, nullptr},      // [E0]
    {"", 8, W::kAlways, L"Not enough memory on this computer.", nullptr, nullptr},    // [E0]
    {"", 31, W::kAlways, L"A general failure of the system or network stack.", nullptr,  // [E0]
     nullptr},
    {"", 87, W::kAlways, L"A parameter is not valid.", nullptr, nullptr},            // [E0]
    {"", 122, W::kAlways, L"The buffer passed was too small.", nullptr, nullptr},     // [E0]
    {"", 126, W::kAlways, L"A library could not be found on this computer.", nullptr,  // [E0]
     nullptr},
    {"", 127, W::kAlways, L"A function could not be found in a library on this computer.",  // [E0]
     nullptr, nullptr},
    {"", 161, W::kAlways, L"The path name is not valid.",  // [E0]
     L"This computer could not make a valid path of the computer's name: often an empty or "
     L"malformed name.",
     L"Check the name given."},
    {"", 1231, W::kAlways, L"The network location cannot be reached.",  // [E1000]
     L"This computer found no route to the computer's network: often a missing route or "
     L"default gateway, or a router that reported the network unreachable.",
     L"Check this computer's routes (route print) and the path to the address (tracert)."},
    {"", 1232, W::kAlways, L"The network location cannot be reached: the host is "  // [E1000]
     L"unreachable.",
     L"This computer or a router on the way found no way to the address: often nothing uses "
     L"it now (no ARP answer), or a router refused it.",
     L"Check the address and the path to it (tracert)."},
    {"", 2138, W::kAlways, L"The Workstation service has not been started.",  // [NERR]
     L"This computer's Workstation service (LanmanWorkstation), Windows' SMB client, is "
     L"stopped, so no SMB check could be sent.",
     L"Start it (net start LanmanWorkstation), then run again."},

    // Windows Sockets codes, whatever the check.
    {"", 10004, W::kAlways, L"A blocking call was interrupted.", nullptr, nullptr},  // [WSA]
    {"", 10009, W::kAlways, L"A socket handle was not valid.", nullptr, nullptr},    // [WSA]
    // [WSA]
    {"", 10013, W::kAlways, L"Permission denied: this computer refused the socket.", nullptr,
     nullptr},
    {"", 10014, W::kAlways, L"A bad address was passed to a socket call.", nullptr,  // [WSA]
     nullptr},
    {"", 10022, W::kAlways, L"An invalid argument was passed to a socket call.", nullptr,  // [WSA]
     nullptr},
    {"", 10024, W::kAlways, L"Too many open sockets.", nullptr, nullptr},            // [WSA]
    {"", 10038, W::kAlways, L"An operation was tried on something that is not a socket.",  // [WSA]
     nullptr, nullptr},
    {"", 10040, W::kAlways, L"A message was too long.", nullptr, nullptr},           // [WSA]
    {"", 10043, W::kAlways, L"The protocol is not supported.", nullptr, nullptr},    // [WSA]
    {"", 10044, W::kAlways, L"The socket type is not supported.", nullptr, nullptr},  // [WSA]
    {"", 10047, W::kAlways, L"The address family is not supported.", nullptr, nullptr},  // [WSA]
    {"", 10048, W::kAlways, L"The address is already in use.", nullptr, nullptr},    // [WSA]
    {"", 10049, W::kAlways, L"The address is not available on this computer.", nullptr,  // [WSA]
     nullptr},
    {"", 10050, W::kAlways, L"The network is down.", nullptr, nullptr},              // [WSA]
    {"", 10051, W::kAlways, L"The network is unreachable: no route to it.", nullptr,  // [WSA]
     nullptr},
    {"", 10054, W::kAlways, L"The connection was reset by the other side.", nullptr,  // [WSA]
     nullptr},
    {"", 10055, W::kAlways, L"No buffer space is available.", nullptr, nullptr},     // [WSA]
    {"", 10057, W::kAlways, L"The socket is not connected.", nullptr, nullptr},      // [WSA]
    {"", 10060, W::kAlways, L"The connection timed out: nothing answered.", nullptr,  // [WSA]
     nullptr},
    {"", 10061, W::kAlways, L"The connection was refused: nothing listens on that port.",  // [WSA]
     nullptr, nullptr},
    {"", 10064, W::kAlways, L"The host is down.", nullptr, nullptr},                 // [WSA]
    {"", 10065, W::kAlways, L"There is no route to the host.", nullptr, nullptr},    // [WSA]
    {"", 10107, W::kAlways, L"A system call failed.", nullptr, nullptr},             // [WSA]
    {"", 10109, W::kAlways, L"The class type was not found.", nullptr, nullptr},     // [WSA]
    {"", 11001, W::kAlways, L"Host not found: no such name is known.", nullptr, nullptr},  // [WSA]
    // [WSA]
    {"", 11002, W::kAlways, L"A temporary failure of name resolution: the name server did "
     L"not answer.",
     nullptr, nullptr},
    // [WSA]
    {"", 11003, W::kAlways, L"A name server failure that will not pass by itself.", nullptr,
     nullptr},
    // [WSA]
    {"", 11004, W::kAlways, L"The name is valid but has no address of the kind asked for.",
     nullptr, nullptr},

    // Windows Sockets did not start on this computer.
    {"startup", kAnyCode, W::kAlways, nullptr,
     L"This computer could not start its network layer; nothing was sent.",
     L"Restart this computer; if it persists, repair its network stack (netsh winsock "
     L"reset)."},

    // Name resolution.
    {"resolve", 11001, W::kAlways, nullptr,  // [WSA]
     L"No DNS server, hosts file or name service of this computer knows the name: often a "
     L"typing error, a name missing from DNS, or a short name that needs its domain suffix.",
     L"Check the spelling; try the full name (host.example.com) or the IP address; check "
     L"this computer's DNS servers and search suffixes."},
    {"resolve", 11002, W::kAlways, nullptr,  // [WSA]
     L"The name server did not answer in time, or answered with a temporary failure: often "
     L"an unreachable DNS server.",
     L"Check that this computer's DNS servers answer (nslookup NAME); try again, or give "
     L"the IP address."},
    {"resolve", 11003, W::kAlways, nullptr,  // [WSA]
     L"The name server refused the query or failed for good.",
     L"Check this computer's DNS settings and the DNS server's health."},
    {"resolve", 11004, W::kAlways, nullptr,  // [WSA]
     L"The name exists but has no IPv4 address: often a name with only an IPv6 (AAAA) "
     L"record.",
     L"Give the IPv4 address, or add an A record for the name."},
    {"resolve", kAnyCode, W::kAlways, nullptr,
     L"The name could not be turned into an address.",
     L"Check this computer's name resolution (DNS servers, hosts file)."},

    // NetBIOS adapter status: the codes are NetBIOS return codes, not system
    // error codes. SMB works over port 445 without NetBIOS.
    {"netbios", 0x01, W::kAlways, L"Illegal buffer length.",  // [NCB]
     L"A fault on this computer's side.", L"Report it with the run's output."},
    {"netbios", 0x03, W::kAlways, L"Invalid NetBIOS command.",  // [NCB]
     L"A fault on this computer's side.", L"Report it with the run's output."},
    // [NCB], [FW]
    {"netbios", 0x05, W::kAlways, L"The command timed out: no NetBIOS answer came back.",
     L"Nothing answered on UDP port 137 of the address: often the computer is off or "
     L"unreachable, NetBIOS over TCP/IP is disabled on its adapter, or a firewall drops "
     L"NetBIOS name traffic.",
     L"See the verdict: if the SMB checks passed, this does not matter for administration."},
    {"netbios", 0x05, W::kServerAnswered, nullptr,  // [NCB], [FW]
     L"The computer is up (its SMB server answered) but does not answer NetBIOS name "
     L"queries: often NetBIOS over TCP/IP is disabled on its adapter, or its firewall drops "
     L"UDP port 137 (the File and Printer Sharing (NB-Name-In) rule).",
     L"Nothing to do for administration, which works without NetBIOS.", kExpected},
    {"netbios", 0x05, W::kPingAnswered, nullptr,  // [NCB], [FW]
     L"The computer answers ping but not NetBIOS name queries: often NetBIOS over TCP/IP is "
     L"disabled on its adapter, or its firewall drops UDP port 137.",
     L"See the verdict: administration needs SMB, not NetBIOS."},
    // [NCB]
    {"netbios", 0x06, W::kAlways, L"Message incomplete: the answer did not fit the buffer.",
     L"The computer answered with a larger name table than the check reads: NetBIOS works, "
     L"with many names registered.",
     L"Nothing to do: the computer answers NetBIOS.", kExpected},
    {"netbios", 0x23, W::kAlways, L"Invalid LAN adapter number.",  // [NCB], [LINUX]
     L"This computer has no network adapter NetBIOS can use: on Linux no interface that is "
     L"up, not loopback and has an IPv4 address; on Windows NetBIOS over TCP/IP is bound to "
     L"no adapter.",
     L"Check this computer's own network settings; the other checks do not depend on it."},
    {"netbios", 0x34, W::kAlways, L"The NetBIOS environment is not defined (no reset).",  // [NCB]
     L"NetBIOS is not set up on this computer's adapter.",
     L"Enable NetBIOS over TCP/IP on this computer's adapter."},
    {"netbios", 0x40, W::kAlways, L"A system error occurred in NetBIOS.",  // [NCB], [LINUX]
     L"This computer's NetBIOS layer failed (on Linux, a local socket failure).",
     L"Check that this computer may send UDP datagrams (its own firewall, permissions)."},
    {"netbios", kAnyCode, W::kAlways, L"A NetBIOS return code (see the NCB structure's "  // [NCB]
     L"ncb_retcode values).",
     L"The adapter status query failed.",
     L"See the verdict: if the SMB checks passed, this does not matter for administration."},

    // Ping. Without a code, no reply came within the second.
    // [FW]
    {"ping", kNoCode, W::kAlways, L"No echo reply arrived within the time-out of one second.",
     L"Often the computer is off or unreachable, or a firewall drops ICMP echo (Windows "
     L"Defender Firewall does unless its File and Printer Sharing (Echo Request - ICMPv4-In) "
     L"rule is enabled, or for an IPv6 address its ICMPv6-In rule).",
     L"See the verdict: if the SMB checks passed, the computer is up and only ICMP is "
     L"filtered."},
    {"ping", kNoCode, W::kServerAnswered, nullptr,  // [FW]
     L"The computer is up (its SMB server answered), so the echo was dropped: often its "
     L"firewall's File and Printer Sharing (Echo Request - ICMPv4-In, or for IPv6 ICMPv6-In) "
     L"rule is not enabled, or a network firewall filters ICMP.",
     L"Nothing to do for administration; enable that rule only if ping must work.", kExpected},
    {"ping", kNoCode, W::kNetbiosAnswered, nullptr,  // [FW]
     L"The computer is on (it answers NetBIOS), so the echo was dropped: often its "
     L"firewall's File and Printer Sharing (Echo Request - ICMPv4-In, or for IPv6 ICMPv6-In) "
     L"rule is not enabled, or a network firewall filters ICMP.",
     L"See the verdict: administration needs SMB, not ping."},
    {"ping", 10013, W::kAlways, nullptr,  // [WSA], [LINUX]
     L"This computer refused the program an ICMP socket: on Linux it runs without root or "
     L"CAP_NET_RAW and ICMP datagram sockets are closed to the user's group "
     L"(net.ipv4.ping_group_range); on Windows raw sockets need an administrator.",
     L"On Linux allow the user's group in net.ipv4.ping_group_range (sysctl); the other "
     L"checks do not depend on the ping."},
    {"ping", 50, W::kAlways, nullptr,  // [E0], [LINUX]
     L"This computer could not open an ICMP socket of the address's kind: often IPv6 is "
     L"turned off on it.",
     L"Check this computer's IPv6 settings; the other checks do not depend on the ping."},
    {"ping", 10022, W::kAlways, nullptr,  // [WSA], [LINUX]
     L"The echo could not be sent to the address: on Linux often a blackhole or prohibit "
     L"route to it.",
     L"Check this computer's routes (ip route get ADDRESS)."},
    {"ping", 10051, W::kAlways, nullptr,  // [WSA]
     L"This computer has no route to the address's network.",
     L"Check this computer's routes and default gateway."},
    {"ping", 10065, W::kAlways, nullptr,  // [WSA]
     L"This computer or a router has no route to the address.",
     L"Check this computer's routes and default gateway."},
    {"ping", 11001, W::kAlways, nullptr,  // [WSA]
     L"The ping resolves the name again by itself, and could not.",
     L"See the name resolution line."},
    {"ping", kAnyCode, W::kAlways, nullptr,
     L"The echo could not be sent or its reply not received.",
     L"Check this computer's network settings; the other checks do not depend on the ping."},

    // The ping through the ICMP helper: its codes are IP statuses.
    {"ping:library", 59, W::kAlways, nullptr,  // [E0]
     L"A reply came back, but not the 32 bytes sent: a device on the way altered or cut "
     L"the echo.",
     L"Look for a firewall or NAT device that rewrites ICMP."},
    // [IPS], [WSA]
    {"ping:library", 11001, W::kAlways, L"The reply buffer was too small (IP_BUF_TOO_SMALL); "
     L"after the IPv6 look-up's line: host not found.",
     L"Often the name has no IPv6 address to try after IPv4 failed.",
     L"See the IPv4 status before it, if any."},
    {"ping:library", 11002, W::kAlways, L"Destination network unreachable.",  // [IPS]
     L"A router on the way reported that it has no route to the computer's network.",
     L"Check the route (tracert / traceroute ADDRESS)."},
    {"ping:library", 11003, W::kAlways, L"Destination host unreachable.",  // [IPS]
     L"The address could not be reached on its own network: often the computer is off, or "
     L"nothing uses the address (no ARP answer).",
     L"Check that the computer is on and has this address."},
    {"ping:library", 11004, W::kAlways, L"Destination protocol unreachable (for IPv6: "  // [IPS]
     L"communication administratively prohibited).",
     L"A firewall or router refused the echo.", L"Check the firewalls on the way."},
    {"ping:library", 11005, W::kAlways, L"Destination port unreachable.",  // [IPS]
     L"The destination refused the echo.", L"Check the firewalls on the way."},
    // [IPS]
    {"ping:library", 11006, W::kAlways, L"Not enough network resources.", nullptr, nullptr},
    {"ping:library", 11007, W::kAlways, L"The request carried a bad option.", nullptr,  // [IPS]
     nullptr},
    {"ping:library", 11008, W::kAlways, L"A hardware error.", nullptr, nullptr},       // [IPS]
    {"ping:library", 11009, W::kAlways, L"The packet is too big for a link on the way.",  // [IPS]
     nullptr, nullptr},
    {"ping:library", 11010, W::kAlways, L"The request timed out: no reply.",  // [IPS], [FW]
     L"Often the computer is off or unreachable, or a firewall drops ICMP echo (the File "
     L"and Printer Sharing (Echo Request - ICMPv4-In, or for IPv6 ICMPv6-In) rule).",
     L"See the verdict: if the SMB checks passed, only ICMP is filtered."},
    {"ping:library", 11010, W::kServerAnswered, nullptr,  // [IPS], [FW]
     L"The computer is up (its SMB server answered), so the echo was dropped: often its "
     L"firewall's File and Printer Sharing (Echo Request - ICMPv4-In, or for IPv6 ICMPv6-In) "
     L"rule is not enabled, or a network firewall filters ICMP.",
     L"Nothing to do for administration; enable that rule only if ping must work.", kExpected},
    {"ping:library", 11010, W::kNetbiosAnswered, nullptr,  // [IPS], [FW]
     L"The computer is on (it answers NetBIOS), so the echo was dropped: often its "
     L"firewall's File and Printer Sharing (Echo Request - ICMPv4-In, or for IPv6 ICMPv6-In) "
     L"rule is not enabled, or a network firewall filters ICMP.",
     L"See the verdict: administration needs SMB, not ping."},
    {"ping:library", 11011, W::kAlways, L"A bad request.", nullptr, nullptr},           // [IPS]
    // [IPS]
    {"ping:library", 11012, W::kAlways, L"A bad route: no valid route to the destination.",
     nullptr, nullptr},
    {"ping:library", 11013, W::kAlways, L"The time to live expired in transit.",  // [IPS]
     L"The echo crossed too many routers: often a routing loop.",
     L"Check the route (tracert / traceroute ADDRESS)."},
    // [IPS]
    {"ping:library", 11014, W::kAlways, L"The time to reassemble a fragmented packet expired.",
     nullptr, nullptr},
    {"ping:library", 11015, W::kAlways, L"A parameter problem in the packet's header.",  // [IPS]
     nullptr, nullptr},
    {"ping:library", 11016, W::kAlways, L"Source quench: a router asked to slow down.",  // [IPS]
     nullptr, nullptr},
    {"ping:library", 11017, W::kAlways, L"An option is too big.", nullptr, nullptr},   // [IPS]
    {"ping:library", 11018, W::kAlways, L"A bad destination: the address cannot take an "  // [IPS]
     L"echo.",
     L"The address is not one a computer can have (for example 0.0.0.0).",
     L"Check the name's address."},
    // [IPS]
    {"ping:library", 11040, W::kAlways, L"The destination is unreachable (reason unknown).",
     nullptr, nullptr},
    {"ping:library", 11041, W::kAlways, L"Time exceeded on the way.", nullptr, nullptr},  // [IPS]
    {"ping:library", 11042, W::kAlways, L"A bad header.", nullptr, nullptr},            // [IPS]
    // [IPS]
    {"ping:library", 11043, W::kAlways, L"An unrecognized next header.", nullptr, nullptr},
    {"ping:library", 11044, W::kAlways, L"An ICMP protocol error.", nullptr, nullptr},  // [IPS]
    // [IPS]
    {"ping:library", 11045, W::kAlways, L"Source and destination are not in the same address "
     L"scope.",
     nullptr, nullptr},
    {"ping:library", 11050, W::kAlways, L"A general failure.", nullptr, nullptr},      // [IPS]

};

}  // namespace

std::span<const ExplanationRow> NameAndPingRows() { return kRows; }

}  // namespace winreach
