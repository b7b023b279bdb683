// What the codes the checks print mean, why a check usually gets one and
// what to look at next: one table of data, read by --explain, kept in three
// files by family (names and ping; logon and SMB; RPC services).
//
// Sources, named beside each row:
//  [E0]    learn.microsoft.com/windows/win32/debug/system-error-codes--0-499-
//  [E500]  learn.microsoft.com/windows/win32/debug/system-error-codes--500-999-
//  [E1000] learn.microsoft.com/windows/win32/debug/system-error-codes--1000-1299-
//  [E1300] learn.microsoft.com/windows/win32/debug/system-error-codes--1300-1699-
//  [E1700] learn.microsoft.com/windows/win32/debug/system-error-codes--1700-3999-
//  [NERR]  learn.microsoft.com/windows/win32/netmgmt/network-management-error-codes
//  [WSA]   learn.microsoft.com/windows/win32/winsock/windows-sockets-error-codes-2
//  [IPS]   learn.microsoft.com/dotnet/api/system.net.networkinformation.ipstatus (the
//          IP_STATUS values of IcmpSendEcho, ipexport.h)
//  [NCB]   learn.microsoft.com/windows/win32/api/nb30/ns-nb30-ncb (ncb_retcode), nb30.h
//  [NSGI]  learn.microsoft.com/windows/win32/api/lmserver/nf-lmserver-netservergetinfo
//  [REG]   learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regconnectregistryw
//          (Remote Registry service, started manually by default)
//  [SCCFG] learn.microsoft.com/windows-server/administration/windows-commands/sc-config
//          (start= demand | disabled ...)
//  [UAC]   support.microsoft.com/kb/951016 (UAC remote restrictions on local accounts,
//          LocalAccountTokenFilterPolicy); learn.microsoft.com/windows/win32/wmisdk/
//          user-account-control-and-wmi (domain accounts are not filtered)
//  [NTLM]  learn.microsoft.com/previous-versions/windows/it-pro/windows-10/security/
//          threat-protection/security-policy-settings/network-security-restrict-ntlm-
//          incoming-ntlm-traffic
//  [NTLMOUT] the same folder: network-security-restrict-ntlm-outgoing-ntlm-traffic-to-
//          remote-servers; learn.microsoft.com/windows-server/storage/file-server/
//          smb-ntlm-blocking (the SMB client's own NTLM blocking)
//  [PROT]  learn.microsoft.com/windows-server/security/credentials-protection-and-
//          management/protected-users-security-group (no NTLM for its members);
//          MS-APDS 3.1.5.2 "NTLM Network Logon" (an authentication policy that refuses
//          NTLM answers STATUS_ACCOUNT_RESTRICTION)
//  [SMB1]  learn.microsoft.com/windows-server/storage/file-server/troubleshoot/
//          smbv1-not-installed-by-default-in-windows (against an SMB1-only server
//          Windows reports system error 64 or error 58)
//  [SIGN]  the [NTLM] folder: microsoft-network-client-digitally-sign-communications-
//          always
//  [FW]    Windows Defender Firewall's predefined rules "File and Printer Sharing
//          (Echo Request - ICMPv4-In)", "(Echo Request - ICMPv6-In)", "(SMB-In)",
//          "(NB-Name-In)"; learn.microsoft.com/windows/security/operating-system-
//          security/network-security/windows-firewall
//  [PROF]  learn.microsoft.com/windows/win32/api/icftypes/ne-icftypes-net_fw_profile_
//          type2 (the domain, private and public profiles a rule is enabled for)
//  [SCMTCP] learn.microsoft.com/windows/win32/services/services-and-rpc-tcp (the SCM
//          client tries RPC over TCP first, which does not carry the credentials given
//          to net use; DisableRemoteScmEndpoints closes TCP and the named pipe)
//  [RPCEP] learn.microsoft.com/windows/win32/rpc/specifying-endpoints (dynamic
//          endpoints, found through the endpoint map)
//  [RUNAS] technet.microsoft.com/library/cc771525 (runas /netonly: the credentials are
//          for remote access only)
//  [CMDKEY] docs.microsoft.com/windows-server/administration/windows-commands/cmdkey
//          (Credential Manager's stored credentials)
//  [USE]   learn.microsoft.com/windows/win32/netmgmt/use-functions (connections are
//          per user, one session per server; net use lists and deletes them)
//  [LINUX] this program's Linux side (design notes): raw and ICMP datagram sockets,
//          the SMB client's credentials (USER, PASSWD, a Kerberos ticket) and its one
//          deadline per run
//  [NTS]   MS-ERREF, "NTSTATUS Values" (learn.microsoft.com): the server's status
//          behind each code the SMB client reports, as Windows maps it
//  [VNEG]  MS-SMB2, "Handling a Validate Negotiate Info Response" (learn.microsoft.com):
//          the client's check of the negotiation, SMB 3.0 and 3.0.2
//  [ALIAS] Microsoft support: connecting to a file server by an alias (CNAME) name,
//          the Server service's DisableStrictNameChecking and netdom computername /add
//  [URA]   the [NTLM] folder: access-this-computer-from-the-network (and deny-access-to-
//          this-computer-from-the-network)
//  [BLANK] the [NTLM] folder: accounts-limit-local-account-use-of-blank-passwords-to-
//          console-logon-only
//  [SKEW]  the [NTLM] folder: maximum-tolerance-for-computer-clock-synchronization;
//          MS-GPSB, "Kerberos Policy" (MaxClockSkew)
//  [LOGON] learn.microsoft.com/windows/win32/api/lmaccess/ns-lmaccess-user_info_3
//          (logon hours, workstations, account expiry, password expired)
//  [TRUST] learn.microsoft.com/powershell/module/microsoft.powershell.management/
//          test-computersecurechannel
//  [SMBSRV] learn.microsoft.com/windows-server/storage/file-server/troubleshoot/
//          detect-enable-and-disable-smbv1-v2-v3 (dialects); the server's
//          Microsoft-Windows-SMBServer event logs
//  [GUEST] learn.microsoft.com/troubleshoot/windows-server/networking/guest-access-in-
//          smb2-is-disabled-by-default (insecure guest logons)
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace winreach {

// The row's code column: a code, a failure that printed none, or any code
// (the check's own advice when no row names the code).
inline constexpr int64_t kNoCode = -1;
inline constexpr int64_t kAnyCode = -2;

// What else must hold for a row to apply, from facts the checks learned and
// the platform told: a set, every member of which must hold.
enum class RowWhen : uint32_t {
  kAlways = 0,
  kServerAnswered = 1u << 0,   // an SMB check passed or got a code only a server gives
  kPingAnswered = 1u << 1,     // the computer answered the ping
  kNetbiosAnswered = 1u << 2,  // the computer answered the NetBIOS query
  kUnresolved = 1u << 3,       // the name did not resolve
  kAsGuest = 1u << 4,          // the server took the logon as its guest
  kAnonymous = 1u << 5,        // the checks ran anonymously
  kOwnAccount = 1u << 6,       // neither: the account offered, or one not known
  // UAC's remote restriction may be what refuses: the account is local or
  // not known (not Kerberos, not guest or anonymous), and neither ADMIN$ nor
  // the service manager let it in.
  kMayBeFiltered = 1u << 7,
  kAdminPassed = 1u << 8,       // ADMIN$ or the service manager let the account in
  kAdminSharePassed = 1u << 9,  // ADMIN$ did
  kProgramLogon = 1u << 10,     // this program's SMB client logs on (Linux)
  kSystemLogon = 1u << 11,      // the system's SMB client logs on (Windows)
};

constexpr RowWhen operator|(RowWhen a, RowWhen b) {
  return static_cast<RowWhen>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}

// Marks on a row.
enum class RowMark : uint8_t {
  kNone = 0,
  kExpected = 1,  // harmless: does not count against the verdict
  kOwnWords = 2,  // our meaning even where the system has its own (which would mislead)
};

struct ExplanationRow {
  // A check id ("scm"), a family of them ("registry_", every id it begins),
  // "administrative" (the checks whose access is for administrators: server
  // information levels 102 and 503, ADMIN$ and the service manager),
  // "ping:library" (the ping through the ICMP helper, whose codes are IP
  // statuses), or "" for every check. A check's own row wins over a family's
  // or group's, which win over one for every check; among rows that fit
  // alike, the one with more conditions; then the first.
  std::string_view check;
  int64_t code;
  RowWhen when;
  // Our own one-line description. Set only on "" rows, for system error
  // codes (which Windows describes itself), and on rows of a check whose
  // codes are its own (NetBIOS return codes, IP statuses).
  const wchar_t* meaning;
  const wchar_t* cause;  // in the check's context; nullptr: a wider row's
  const wchar_t* next;
  RowMark mark = RowMark::kNone;
};

// The families, each in its own file.
std::span<const ExplanationRow> NameAndPingRows();  // startup, resolve, netbios, ping
std::span<const ExplanationRow> LogonAndSmbRows();  // system codes, logons, SMB, ADMIN$
std::span<const ExplanationRow> RpcServiceRows();   // RPC codes, server info, registry, SCM

// Every row, the families in that order.
const std::vector<ExplanationRow>& ExplanationTable();

// What a row lookup found for one failed check.
struct CodeKnowledge {
  std::wstring_view meaning;  // empty: the table does not describe the code
  bool system_code = true;    // the system may describe it in its own words
  std::wstring_view cause;
  std::wstring_view next;
  bool expected = false;
};

// `context` is the check id, or "ping:library" for the ping through the ICMP
// helper; `check` the check id itself; `holds` the conditions of the run.
CodeKnowledge LookUp(std::string_view check, std::string_view context, std::optional<uint32_t> code,
                     RowWhen holds);

}  // namespace winreach
