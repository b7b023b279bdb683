#include "driver/explanation_table.h"

namespace winreach {

namespace {

using W = RowWhen;

// Sources, named beside each row:
//  [E0]    learn.microsoft.com/windows/win32/debug/system-error-codes--0-499-
//  [E1300] learn.microsoft.com/windows/win32/debug/system-error-codes--1300-1699-
//  [E1700] learn.microsoft.com/windows/win32/debug/system-error-codes--1700-3999-
//  [WSA]   learn.microsoft.com/windows/win32/winsock/windows-sockets-error-codes-2
//  [IPS]   learn.microsoft.com/dotnet/api/system.net.networkinformation.ipstatus (the
//          IP_STATUS values of IcmpSendEcho, ipexport.h)
//  [NCB]   learn.microsoft.com/windows/win32/api/nb30/ns-nb30-ncb (ncb_retcode), nb30.h
//  [NSGI]  learn.microsoft.com/windows/win32/api/lmserver/nf-lmserver-netservergetinfo
//  [REG]   learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regconnectregistryw
//          (Remote Registry service, started manually by default)
//  [UAC]   support.microsoft.com/kb/951016 (UAC remote restrictions on local accounts,
//          LocalAccountTokenFilterPolicy); learn.microsoft.com/windows/win32/wmisdk/
//          user-account-control-and-wmi (domain accounts are not filtered)
//  [NTLM]  learn.microsoft.com/previous-versions/windows/it-pro/windows-10/security/
//          threat-protection/security-policy-settings/network-security-restrict-ntlm-
//          incoming-ntlm-traffic
//  [SMB1]  learn.microsoft.com/windows-server/storage/file-server/troubleshoot/
//          smbv1-not-installed-by-default-in-windows
//  [FW]    Windows Defender Firewall's predefined rules "File and Printer Sharing
//          (Echo Request - ICMPv4-In)", "(SMB-In)", "(NB-Name-In)"; learn.microsoft.com/
//          windows/security/operating-system-security/network-security/windows-firewall
//  [LINUX] this program's Linux side (design notes): raw and ICMP datagram sockets
constexpr ExplanationRow kRows[] = {
    // What each system error code means, whatever the check. Windows
    // describes these itself; the text here is for Linux and for codes
    // Windows has no text for.
    {"", 0, W::kAlways, L"The call reported success but handed back no information.",  // [E0]
     L"The server answered without the information asked for; often a server that only "
     L"partly carries out the call.",
     L"Compare with another server; if it repeats, report it with --verbose output."},
    {"", 2, W::kAlways, L"The file, key or value was not found.", nullptr, nullptr},   // [E0]
    {"", 3, W::kAlways, L"The folder (path) was not found.", nullptr, nullptr},        // [E0]
    {"", 4, W::kAlways, L"No more files could be opened.", nullptr, nullptr},          // [E0]
    {"", 5, W::kAlways, L"Access is denied: the server refused this account the request.",  // [E0]
     L"The account the checks ran as lacks the right: often it is not an administrator of "
     L"the computer, or the checks ran as the server's guest or anonymously.",
     L"Run as an account in the computer's Administrators group (--verbose tells the "
     L"account the server took)."},
    {"", 6, W::kAlways, L"An internal handle was not valid.", nullptr, nullptr},      // [E0]
    {"", 8, W::kAlways, L"Not enough memory on this computer.", nullptr, nullptr},    // [E0]
    {"", 31, W::kAlways, L"A general failure of the system or network stack.", nullptr,  // [E0]
     nullptr},
    {"", 50, W::kAlways, L"The request is not supported.",  // [E0], [SMB1]
     L"Often the server speaks only SMB1, which this program does not use (Windows 10 and "
     L"11 no longer install it either); or the server does not support this request.",
     L"Enable SMB 2 or 3 on the server (SMB1 is deprecated and unsafe); a system that "
     L"cannot do SMB 2 is past its support."},
    // [E0], [FW]
    {"", 53, W::kAlways, L"The network path was not found: no SMB server could be reached.",
     L"No SMB server answered on port 445 or 139: often the computer is off or unreachable, "
     L"its firewall blocks File and Printer Sharing, or its Server service is stopped.",
     L"Check that the computer is on; enable the File and Printer Sharing (SMB-In) firewall "
     L"rule; check that the Server service (LanmanServer) runs."},
    {"", 59, W::kAlways, L"An unexpected network error occurred.",  // [E0]
     L"The server answered with a status that has no closer Windows code.",
     L"Compare with a run from a Windows computer; look at the server's event log."},
    // [E0]
    {"", 64, W::kAlways, L"The network name is no longer available: the server dropped the "
     L"connection.",
     L"Often the server's settings refused the session (signing or encryption demanded, a "
     L"dialect refused) or the server restarted.",
     L"Look at the server's SMB settings and its Microsoft-Windows-SMBServer event log."},
    {"", 67, W::kAlways, L"The network name cannot be found: no such share.", nullptr,  // [E0]
     nullptr},
    {"", 87, W::kAlways, L"A parameter is not valid.", nullptr, nullptr},            // [E0]
    {"", 121, W::kAlways, L"The time-out expired before the server answered.",         // [E0]
     L"Often a server that takes the connection but does not answer, an overloaded server, "
     L"or a network that drops packets.",
     L"Try again; check the server's load and the path to it."},
    {"", 122, W::kAlways, L"The buffer passed was too small.", nullptr, nullptr},     // [E0]
    {"", 124, W::kAlways, L"The server does not serve this information level.", nullptr,  // [E0]
     nullptr},
    {"", 126, W::kAlways, L"A library could not be found on this computer.", nullptr,  // [E0]
     nullptr},
    {"", 127, W::kAlways, L"A function could not be found in a library on this computer.",  // [E0]
     nullptr, nullptr},
    {"", 161, W::kAlways, L"The path name is not valid.", nullptr, nullptr},         // [E0]
    {"", 234, W::kAlways, L"More data is available than the buffer holds.", nullptr,  // [E0]
     nullptr},
    {"", 1326, W::kAlways, L"Logon failure: unknown user name or bad password.",  // [E1300]
     L"The server rejected the credentials offered: often a wrong password, a user name "
     L"without its domain, or a local account where a domain one is expected.",
     L"Check the user name and password (USER, PASSWD, or the Kerberos ticket); give a "
     L"domain account as DOMAIN\\name."},
    {"", 1330, W::kAlways, L"Logon failure: the account's password has expired.",  // [E1300]
     L"The password is right but too old for the server's password policy.",
     L"Change the password (or have it reset), then run again."},
    {"", 1331, W::kAlways, L"Logon failure: the account is disabled.",  // [E1300]
     L"The account exists but is switched off on the server or in its domain.",
     L"Have the account enabled, or use another one."},
    // [E1700]
    {"", 1717, W::kAlways, L"The server does not know the RPC interface asked for.", nullptr,
     nullptr},
    {"", 1722, W::kAlways, L"The RPC server is unavailable.",  // [E1700]
     L"The service's RPC pipe could not be reached: often no SMB server answered at all "
     L"(see the lines before), the computer is off, or a firewall blocks it.",
     L"Check that the computer is on and that File and Printer Sharing is allowed in its "
     L"firewall."},
    // [E1700]
    {"", 1723, W::kAlways, L"The RPC server is too busy to carry out the call.", nullptr,
     nullptr},
    {"", 1726, W::kAlways, L"The remote procedure call failed.",  // [E1700]
     L"The call started but the connection broke before its answer: often the server ended "
     L"the session (a time-out, a restart) or a device on the way cut it.",
     L"Try again; if it repeats, look at the server's event log."},
    {"", 1728, W::kAlways, L"An RPC protocol error occurred: the answer was malformed.",  // [E1700]
     L"The server's answer was malformed or cut short: often a server that is not Windows, "
     L"or a device on the way that alters traffic.",
     L"Compare with another server; report it with --verbose output."},
    // [E1700]
    {"", 1730, W::kAlways, L"The server does not support the RPC transfer syntax.", nullptr,
     nullptr},
    {"", 1760, W::kAlways, L"The entry already exists (an RPC name-service code).",  // [E1700]
     L"An RPC refusal whose cause depends on the server.",
     L"Run with --verbose and compare with a run from a Windows computer."},
    {"", 1909, W::kAlways, L"The account is locked out.",  // [E1700]
     L"Too many wrong passwords in a row: often a stale password saved in a script, a "
     L"mapped drive or a service.",
     L"Wait for the lockout to end or have the account unlocked, then fix the stored "
     L"password."},
    {"", 1937, W::kAlways, L"The server refuses NTLM logons.",  // [E1700], [NTLM]
     L"The server's policy \"Network security: Restrict NTLM: Incoming NTLM traffic\" (or "
     L"its domain's) denies NTLM, and no Kerberos ticket was used.",
     L"Log on with Kerberos: get a ticket (kinit user@REALM) and name the computer by its "
     L"host name, not its address."},
    {"", 2114, W::kAlways, L"The Server service is not started.",  // [NSGI]
     L"The computer's Server service (LanmanServer) is stopped.",
     L"Start the Server service on the computer."},
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
    // Every other code: the check's own advice, else this.
    {"", kAnyCode, W::kAlways, nullptr,
     L"Not one of the causes this program knows for this check; the code's meaning is the "
     L"best lead.",
     L"Compare with a run from a Windows computer in the same network, and look the code up "
     L"together with the check's name."},

    // Nothing could be reached by a name that did not resolve (this weighs
    // more than any later row of the same standing).
    {"", 53, W::kUnresolved, nullptr,  // [E0]
     L"The name did not resolve, so no server could be reached by it.",
     L"See the name resolution line."},
    {"", 1722, W::kUnresolved, nullptr,  // [E1700]
     L"The name did not resolve, so no server could be reached by it.",
     L"See the name resolution line."},

    // The computer is up, but its SMB server did not answer.
    {"", 53, W::kPingAnswered, nullptr,  // [E0], [FW]
     L"The computer answers ping, but no SMB server answered on port 445 or 139: often its "
     L"firewall blocks File and Printer Sharing, its Server service is stopped, or it is not "
     L"a computer that shares files.",
     L"Enable the File and Printer Sharing (SMB-In) firewall rule on it; check that the "
     L"Server service (LanmanServer) runs."},
    {"", 1722, W::kPingAnswered, nullptr,  // [E1700], [FW]
     L"The computer answers ping, but the service's pipe could not be reached: often no SMB "
     L"server answered (see the lines before) because a firewall blocks File and Printer "
     L"Sharing.",
     L"Enable the File and Printer Sharing (SMB-In) firewall rule on the computer."},

    // Access denied, by whom the server took the logon for.
    {"", 5, W::kAnonymous, nullptr,  // [E0]
     L"The checks ran anonymously (no credentials were offered), and an anonymous logon has "
     L"no administrator rights.",
     L"Offer an administrator's credentials: a Kerberos ticket (kinit), or USER=DOMAIN\\name "
     L"with PASSWD."},
    {"", 5, W::kAsGuest, nullptr,  // [E0]
     L"The server took the logon as its guest, which has no administrator rights; often the "
     L"user name is unknown to the server, or no credentials were offered.",
     L"Offer an administrator's credentials the server knows (--verbose tells whom it took)."},
    {"", 5, W::kAsNamed, nullptr,  // [UAC]
     L"The account is not an administrator of the computer; or, often for a local account "
     L"in its Administrators group, Windows' remote restriction on local accounts (UAC) "
     L"takes the administrator rights away on network logons. Domain accounts in that "
     L"group keep them.",
     L"Use a domain account in the computer's Administrators group; for a local account, "
     L"LocalAccountTokenFilterPolicy=1 under HKLM\\SOFTWARE\\Microsoft\\Windows\\"
     L"CurrentVersion\\Policies\\System lifts the restriction (it weakens the computer's "
     L"protection)."},

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
     L"Nothing to do for administration, which works without NetBIOS.", true},
    {"netbios", 0x05, W::kPingAnswered, nullptr,  // [NCB], [FW]
     L"The computer answers ping but not NetBIOS name queries: often NetBIOS over TCP/IP is "
     L"disabled on its adapter, or its firewall drops UDP port 137.",
     L"See the verdict: administration needs SMB, not NetBIOS."},
    // [NCB]
    {"netbios", 0x06, W::kAlways, L"Message incomplete: the answer did not fit the buffer.",
     L"The computer answered with a larger name table than the check reads: NetBIOS works, "
     L"with many names registered.",
     L"Nothing to do: the computer answers NetBIOS.", true},
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
     L"rule is enabled).",
     L"See the verdict: if the SMB checks passed, the computer is up and only ICMP is "
     L"filtered."},
    {"ping", kNoCode, W::kServerAnswered, nullptr,  // [FW]
     L"The computer is up (its SMB server answered), so the echo was dropped: often its "
     L"firewall's File and Printer Sharing (Echo Request - ICMPv4-In) rule is not enabled, "
     L"or a network firewall filters ICMP.",
     L"Nothing to do for administration; enable that rule only if ping must work.", true},
    {"ping", 10013, W::kAlways, nullptr,  // [WSA], [LINUX]
     L"This computer refused the program an ICMP socket: on Linux it runs without root or "
     L"CAP_NET_RAW and ICMP datagram sockets are closed to the user's group "
     L"(net.ipv4.ping_group_range); on Windows raw sockets need an administrator.",
     L"On Linux allow the user's group in net.ipv4.ping_group_range (sysctl); the other "
     L"checks do not depend on the ping."},
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
     L"and Printer Sharing (Echo Request - ICMPv4-In) rule).",
     L"See the verdict: if the SMB checks passed, only ICMP is filtered."},
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

    // Server information.
    {"server_info_", 5, W::kAlways, nullptr,  // [NSGI]
     L"The server refused this account the level: levels 102 and 503 are for members of "
     L"Administrators, Server Operators and similar groups, while 100 and 101 need none.",
     L"Run as an account in the computer's Administrators group."},
    {"server_info_100", 5, W::kAlways, nullptr,  // [NSGI]
     L"The server refuses even its basic information: often an anonymous or guest logon "
     L"that its security settings refuse.",
     L"Offer credentials the server knows."},
    {"server_info_101", 5, W::kAlways, nullptr,  // [NSGI]
     L"The server refuses even its basic information: often an anonymous or guest logon "
     L"that its security settings refuse.",
     L"Offer credentials the server knows."},
    {"server_info_", 124, W::kAlways, nullptr,  // [NSGI]
     L"The server does not serve this level: often an old or non-Windows server.",
     L"Nothing to do if the other levels answer."},
    {"server_info_503", 124, W::kAlways, nullptr,  // [NSGI]
     L"Expected: the server does not serve level 503 (Samba and some Windows versions "
     L"answer only 100 to 102). It is no fault.",
     L"Nothing to do.", true},

    // The remote registry.
    {"registry", 53, W::kServerAnswered, nullptr,  // [REG]
     L"The computer answers SMB, but its registry cannot be reached: often the Remote "
     L"Registry service is stopped (it starts manually by default, and is disabled on some "
     L"editions).",
     L"Start the Remote Registry service (services.msc, or sc \\\\NAME start RemoteRegistry "
     L"as an administrator), or set it to Automatic."},
    {"registry", 5, W::kAlways, nullptr,  // [REG]
     L"The server refused this account its registry: remote access is for administrators "
     L"and the accounts the winreg key's permissions name (HKLM\\SYSTEM\\CurrentControlSet\\"
     L"Control\\SecurePipeServers\\winreg).",
     L"Run as an account in the computer's Administrators group."},
    {"registry_", 5, W::kAlways, nullptr,  // [REG]
     L"The key's permissions refuse this account the access asked for; for the keys under "
     L"SOFTWARE often also a server that refuses the 64-bit view of the registry the check "
     L"asks for (Samba does).",
     L"Run as an administrator of the computer; compare with regedit connected to it."},
    {"registry_", 5, W::kAsNamed, nullptr,  // [REG], [UAC]
     L"The key's permissions refuse this account the access asked for: often it is not an "
     L"administrator (or a local one under UAC's remote restriction); for the keys under "
     L"SOFTWARE also a server that refuses the 64-bit view the check asks for (Samba does).",
     L"Compare with regedit connected to the computer as the same account."},
    {"registry_winlogon_full", 5, W::kAlways, nullptr,  // [REG]
     L"Full access to the Winlogon key is for administrators: reading it may pass while "
     L"full access fails. Against Samba, also its refusal of the 64-bit view.",
     L"Run as an administrator of the computer."},
    {"registry_", 2, W::kAlways, nullptr,  // [E0]
     L"The key or value does not exist there: often a computer that is not Windows, or an "
     L"edition without it.",
     L"Nothing to do if the other keys read."},
    {"registry_", 234, W::kAlways, nullptr,  // [E0]
     L"The value exists and may be read, but is larger than the 2048 bytes the check reads.",
     L"Nothing to do: read access works.", true},
    {"registry_", kAnyCode, W::kAlways, nullptr,
     L"The key could not be opened or read.",
     L"Compare with regedit connected to the computer."},

    // The administrative share.
    {"admin_share", 5, W::kAlways, nullptr,  // [UAC]
     L"The server refused this account the ADMIN$ share, which is for administrators.",
     L"Run as an account in the computer's Administrators group."},
    {"admin_share", 2, W::kAlways, nullptr,  // [E0]
     L"ADMIN$ exists but holds no system32\\ntoskrnl.exe: often a server that is not Windows "
     L"(a share of that name of its own), or a share pointed elsewhere.",
     L"Check where the share points (net share ADMIN$ on the computer)."},
    {"admin_share", 3, W::kAlways, nullptr,  // [E0]
     L"ADMIN$ exists but holds no system32 folder: often a server that is not Windows.",
     L"Check where the share points (net share ADMIN$ on the computer)."},
    {"admin_share", 67, W::kAlways, nullptr,  // [E0]
     L"The server has no ADMIN$ share: often its administrative shares are turned off "
     L"(AutoShareServer or AutoShareWks = 0), or it is not Windows.",
     L"Restore the administrative shares (remove those values under HKLM\\SYSTEM\\"
     L"CurrentControlSet\\Services\\LanmanServer\\Parameters, restart the Server service)."},

    // The service control manager.
    {"scm", 5, W::kAlways, nullptr,  // [E1700]
     L"The service control manager refused this account full access, which is for "
     L"administrators.",
     L"Run as an account in the computer's Administrators group."},
    {"scm", 1722, W::kServerAnswered, nullptr,  // [E1700], [FW]
     L"The computer answers SMB, but the call to its service manager could not be made: "
     L"often a server that is not Windows, or a firewall that blocks remote service "
     L"management.",
     L"Enable the Remote Service Management firewall rules on the computer."},
};

// Checks whose codes are their own (NetBIOS return codes), never system
// error codes: no row for every check describes them.
bool HasOwnCodes(std::string_view check) { return check == "netbios"; }

// How closely a row's check column fits: 0 when it does not.
int CheckFit(std::string_view row, std::string_view check, std::string_view context) {
  if (row.empty()) return 1;
  if (row == context && context != check) return 4;
  if (row == check) return 3;
  if (row.back() == '_' && check.substr(0, row.size()) == row) return 2;
  return 0;
}

bool Holds(RowWhen when, const LookupFacts& facts) {
  switch (when) {
    case RowWhen::kAlways:
      return true;
    case RowWhen::kServerAnswered:
      return facts.server_answered;
    case RowWhen::kPingAnswered:
      return facts.pinged;
    case RowWhen::kUnresolved:
      return facts.unresolved;
    default:
      return when == facts.account;
  }
}

// Which rows a search takes: the check's own, those for every check, or both.
enum class Rows { kOwn, kShared, kBoth };

// The best fitting row for `code` (a condition that holds weighs more than
// the check column), or nullptr.
const ExplanationRow* Best(std::string_view check, std::string_view context, int64_t code,
                           const LookupFacts& facts, Rows rows) {
  const bool shared_allowed = code == kAnyCode || !HasOwnCodes(check);
  const ExplanationRow* best = nullptr;
  int best_score = 0;
  for (const ExplanationRow& row : kRows) {
    if (row.code != code || !Holds(row.when, facts)) continue;
    const int fit = CheckFit(row.check, check, context);
    if (fit == 0) continue;
    if (fit == 1 ? rows == Rows::kOwn || !shared_allowed : rows == Rows::kShared) continue;
    const int score = fit + (row.when == RowWhen::kAlways ? 0 : 10);
    if (score > best_score) {
      best = &row;
      best_score = score;
    }
  }
  return best;
}

}  // namespace

std::span<const ExplanationRow> ExplanationTable() { return kRows; }

CodeKnowledge LookUp(std::string_view check, std::string_view context,
                     std::optional<uint32_t> code, const LookupFacts& facts) {
  const int64_t key = code ? int64_t{*code} : kNoCode;
  CodeKnowledge knowledge;
  // The meaning is the code's own, whatever the run: the check's row for
  // codes of its own, else the row for every check.
  for (const Rows rows : {Rows::kOwn, Rows::kShared}) {
    const ExplanationRow* row = Best(check, context, key, {}, rows);
    if (row != nullptr && row->meaning != nullptr) {
      knowledge.meaning = row->meaning;
      knowledge.system_code = row->check.empty();
      break;
    }
  }
  const ExplanationRow* fitting = Best(check, context, key, facts, Rows::kBoth);
  const ExplanationRow* fallback = Best(check, context, kAnyCode, facts, Rows::kBoth);
  if (knowledge.meaning.empty() && fallback != nullptr && fallback->meaning != nullptr) {
    knowledge.meaning = fallback->meaning;
    knowledge.system_code = false;
  }
  for (const ExplanationRow* row :
       {fitting, Best(check, context, key, facts, Rows::kShared), fallback}) {
    if (row == nullptr || row->cause == nullptr) continue;
    knowledge.cause = row->cause;
    knowledge.next = row->next;
    break;
  }
  knowledge.expected = fitting != nullptr && fitting->expected;
  return knowledge;
}

}  // namespace winreach
