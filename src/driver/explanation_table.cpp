#include "driver/explanation_table.h"

namespace winreach {

namespace {

using W = RowWhen;

// Sources, named beside each row:
//  [E0]    learn.microsoft.com/windows/win32/debug/system-error-codes--0-499-
//  [E500]  learn.microsoft.com/windows/win32/debug/system-error-codes--500-999-
//  [E1000] learn.microsoft.com/windows/win32/debug/system-error-codes--1000-1299-
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
//  [NTS]   MS-ERREF, "NTSTATUS Values" (learn.microsoft.com): the server's status
//          behind each code the SMB client reports, as Windows maps it
//  [VNEG]  MS-SMB2, "Handling a Validate Negotiate Info Response" (learn.microsoft.com):
//          the client's check of the negotiation, SMB 3.0 and 3.0.2
//  [ALIAS] Microsoft support: connecting to a file server by an alias (CNAME) name,
//          the Server service's DisableStrictNameChecking and netdom computername /add
//  [URA]   learn.microsoft.com/previous-versions/windows/it-pro/windows-10/security/
//          threat-protection/security-policy-settings/access-this-computer-from-the-
//          network (and deny-access-to-this-computer-from-the-network)
//  [BLANK] the same folder: accounts-limit-local-account-use-of-blank-passwords-to-
//          console-logon-only
//  [SKEW]  the same folder: maximum-tolerance-for-computer-clock-synchronization;
//          MS-GPSB, "Kerberos Policy" (MaxClockSkew)
//  [LOGON] learn.microsoft.com/windows/win32/api/lmaccess/ns-lmaccess-user_info_3
//          (logon hours, workstations, account expiry, password expired)
//  [TRUST] learn.microsoft.com/powershell/module/microsoft.powershell.management/
//          test-computersecurechannel
//  [SMBSRV] learn.microsoft.com/windows-server/storage/file-server/troubleshoot/
//          detect-enable-and-disable-smbv1-v2-v3 (dialects); the server's
//          Microsoft-Windows-SMBServer event logs
constexpr ExplanationRow kRows[] = {
    // What each system error code means, whatever the check. Windows
    // describes these itself; the text here is for Linux and for codes
    // Windows has no text for.
    {"", 0, W::kAlways, L"The call reported success but handed back no information.",  // [E0]
     L"The server answered without the information asked for; often a server that only "
     L"partly carries out the call.",
     L"Compare with another server; if it repeats, report it with --verbose output."},
    // [E0], [NTS]: STATUS_NOT_IMPLEMENTED, STATUS_INVALID_DEVICE_REQUEST
    {"", 1, W::kAlways, L"Incorrect function: the server does not carry out this request.",
     L"The server does not implement a request the check makes (such as a call on a named "
     L"pipe): often a server that is not Windows, or one with the feature turned off.",
     L"Compare with a run against a Windows server; report it with --verbose output."},
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
    // [E0], [NTS]
    {"", 32, W::kAlways, L"The file is in use by another process and not shared.",
     L"Another program on the server holds the file or pipe open and does not share it the "
     L"way the check asks (to read): often a security or backup product.",
     L"Try again; on the server, find the program that holds the file (Resource Monitor)."},
    {"", 38, W::kAlways, L"Reached the end of the file.",  // [E0], [NTS]
     L"The server had no more data where the check expected some: often a server that is not "
     L"Windows.",
     L"Compare with a run against a Windows server; report it with --verbose output."},
    // On the SMB lines: the server dropped or refused the SMB 2/3 negotiation,
    // chose no dialect offered, or the dialects allowed here leave none.
    {"", 50, W::kAlways, L"The request is not supported.",  // [E0], [SMB1], [SMBSRV]
     L"The server and this program have no SMB dialect in common: often the server speaks "
     L"only SMB1, which this program does not use (Windows 10 and 11 no longer install it "
     L"either), or this computer's smb.conf narrows the dialects (client min protocol, "
     L"client max protocol); else the server does not support this request.",
     L"Enable SMB 2 or 3 on the server (SMB1 is deprecated and unsafe; a system that cannot "
     L"do SMB 2 is past its support); check those smb.conf settings."},
    // [E0], [NTS]
    {"", 51, W::kAlways, L"The remote computer is not listening (the network path cannot be "
     L"found).",
     L"The server is there but not taking requests: often its Server service is stopping "
     L"or starting, or the computer is shutting down.",
     L"Check that the Server service (LanmanServer) runs on the computer; run again."},
    // [E0], [NTS], [ALIAS]
    {"", 52, W::kAlways, L"Not connected: a duplicate name exists on the network.",
     L"The server does not take the name it was called by as its own: often an alias (a "
     L"DNS CNAME, or another name for its address) refused by its strict name checking, or "
     L"another computer that has its NetBIOS name.",
     L"Try the computer's own name or its address; to accept an alias, register it on the "
     L"computer (netdom computername NAME /add:ALIAS)."},
    // [E0], [FW]
    {"", 53, W::kAlways, L"The network path was not found: no SMB server could be reached.",
     L"No SMB server answered on port 445 or 139: often the computer is off or unreachable, "
     L"its firewall blocks File and Printer Sharing, or its Server service is stopped.",
     L"Check that the computer is on; enable the File and Printer Sharing (SMB-In) firewall "
     L"rule; check that the Server service (LanmanServer) runs."},
    {"", 54, W::kAlways, L"The network is busy.",  // [E0], [NTS]
     L"The server said it is too busy to take the request: often an overloaded server.",
     L"Try again later; look at the server's load."},
    // [E0], [NTS]: STATUS_INVALID_NETWORK_RESPONSE
    {"", 58, W::kAlways, L"The server cannot perform the requested operation.",
     L"The server reported a network answer it could not use: often a server that is not "
     L"Windows, or a device on the way that alters SMB.",
     L"Compare with a run against a Windows server; look at the server's SMB logs."},
    // On the SMB lines: an answer that broke the protocol (malformed, out of
    // turn, a signature or transform that does not verify, a negotiation
    // changed on the way), or a status with no closer Windows code.
    {"", 59, W::kAlways, L"An unexpected network error occurred.",  // [E0], [NTS]
     L"The server's answer could not be trusted or understood: malformed, out of turn, a "
     L"signature or encryption that did not verify, a negotiation changed on the way, or a "
     L"status with no closer code. Often a faulty or hostile server, or a device on the way "
     L"(a firewall, proxy or WAN accelerator) that rewrites SMB.",
     L"Run with --verbose (dialect and protection agreed); look at the server's SMB logs "
     L"(Microsoft-Windows-SMBServer, or Samba's log) and for devices in the path that "
     L"inspect SMB."},
    // [E0]
    {"", 64, W::kAlways, L"The network name is no longer available: the server dropped the "
     L"connection.",
     L"Often the server's settings refused the session (signing or encryption demanded, a "
     L"dialect refused) or the server restarted.",
     L"Look at the server's SMB settings and its Microsoft-Windows-SMBServer event log."},
    {"", 65, W::kAlways, L"Network access is denied.",  // [E0], [NTS], [URA]
     L"The server refuses this account access over the network: often the share's "
     L"permissions, or the server's policy on network, guest or anonymous access.",
     L"Check the share's permissions and the computer's \"Access this computer from the "
     L"network\" right for this account."},
    {"", 66, W::kAlways, L"The network resource type is not correct.",  // [E0], [NTS]
     L"The share is not of the kind the request needs (a disk share, or IPC$ for the "
     L"service pipes): often a server that is not Windows.",
     L"Check the share's type on the computer (net share)."},
    {"", 67, W::kAlways, L"The network name cannot be found: no such share.", nullptr,  // [E0]
     nullptr},
    // [E0], [NTS]
    {"", 71, W::kAlways, L"No more connections can be made to the remote computer now.",
     L"The server has as many connections or sessions as it accepts: often a client "
     L"edition of Windows, which accepts 20.",
     L"Try again when fewer are connected; look at the computer's sessions (net session)."},
    {"", 86, W::kAlways, L"The network password is not correct.",  // [E0], [NTS]
     L"The server rejected the password offered for the account.",
     L"Check the password (PASSWD, or the Kerberos ticket)."},
    {"", 87, W::kAlways, L"A parameter is not valid.", nullptr, nullptr},            // [E0]
    {"", 109, W::kAlways, L"The pipe has been ended.",  // [E0], [NTS]
     L"The service at the other end of the pipe closed it: often the service stopped or "
     L"restarted during the check.",
     L"Check that the service runs on the computer; run again."},
    {"", 121, W::kAlways, L"The time-out expired before the server answered.",         // [E0]
     L"The run's time was used up: a run ends within a minute, and then the check under way "
     L"and every later one fail with this code. Often a server that answers slowly or stops "
     L"answering, so that earlier lines used the time, an overloaded server, or a network "
     L"that drops packets.",
     L"Look at the first line that failed and its code; check the server's load and the "
     L"path to it, then run again."},
    {"", 122, W::kAlways, L"The buffer passed was too small.", nullptr, nullptr},     // [E0]
    // [E0], [NTS]
    {"", 123, W::kAlways, L"The file name, folder name or volume label syntax is incorrect.",
     L"The server refused a path or pipe name the check sent as malformed: often a server "
     L"that is not Windows.",
     L"Compare with a run against a Windows server; report it with --verbose output."},
    {"", 124, W::kAlways, L"The server does not serve this information level.", nullptr,  // [E0]
     nullptr},
    {"", 126, W::kAlways, L"A library could not be found on this computer.", nullptr,  // [E0]
     nullptr},
    {"", 127, W::kAlways, L"A function could not be found in a library on this computer.",  // [E0]
     nullptr, nullptr},
    {"", 161, W::kAlways, L"The path name is not valid.", nullptr, nullptr},         // [E0]
    // [E0], [NTS]
    {"", 183, W::kAlways, L"Cannot create a file when that file already exists.",
     L"The server took the check's open of an existing file for a create: often a server "
     L"that is not Windows.",
     L"Compare with a run against a Windows server; report it with --verbose output."},
    {"", 230, W::kAlways, L"The pipe state is invalid.",  // [E0], [NTS]
     L"The service's pipe was not in the state the call needs: often the service is "
     L"stopping, or a server that is not Windows.",
     L"Run again; if it repeats, report it with --verbose output."},
    // [E0], [NTS]: STATUS_PIPE_BUSY, STATUS_INSTANCE_NOT_AVAILABLE, STATUS_PIPE_NOT_AVAILABLE
    {"", 231, W::kAlways, L"All pipe instances are busy.",
     L"The service's pipe has no free instance: often the service is busy with other "
     L"clients, or starting or stopping.",
     L"Try again in a moment."},
    {"", 232, W::kAlways, L"The pipe is being closed.",  // [E0], [NTS]
     L"The service closed its end of the pipe as the check used it: often the service is "
     L"stopping.",
     L"Check that the service runs on the computer; run again."},
    // [E0], [NTS]
    {"", 233, W::kAlways, L"No process is on the other end of the pipe.",
     L"The pipe exists but no service serves it: often the service (Remote Registry, the "
     L"Server service, the service manager) is stopped or stopping.",
     L"Start the service on the computer; run again."},
    {"", 234, W::kAlways, L"More data is available than the buffer holds.", nullptr,  // [E0]
     nullptr},
    {"", 267, W::kAlways, L"The directory name is invalid.",  // [E0], [NTS]
     L"A part of the path the check opens is not a folder on the server: often a share that "
     L"points elsewhere, or a server that is not Windows.",
     L"Check where the share points (net share ADMIN$ on the computer)."},
    // [E500], [NTS]: STATUS_CANCELLED
    {"", 995, W::kAlways, L"The I/O operation has been aborted.",
     L"The server cancelled the request before it finished: often a server that is "
     L"shutting down or restarting its Server service.",
     L"Run again; look at the server's event log."},
    {"", 997, W::kAlways, L"The operation is still in progress.",  // [E500], [NTS]
     L"The server answered \"pending\" where the final answer was due: a server that breaks "
     L"the SMB protocol.",
     L"Compare with another server; report it with --verbose output."},
    {"", 1168, W::kAlways, L"Element not found.",  // [E1000], [NTS]
     L"The server found nothing by a name the request gives: often a server that is not "
     L"Windows, or a share or service set up differently.",
     L"Compare with a run against a Windows server."},
    // [E1000], [NTS], [VNEG]: the server's signed answer to validate negotiate
    // (SMB 3.0, 3.0.2) does not match the negotiation. Windows' own text for
    // the code speaks of a domain controller, hence the cause says what it is.
    {"", 1265, W::kAlways, L"A downgrade was detected: the security negotiation was "
     L"changed on the way.",
     L"The server's signed account of the SMB negotiation does not match what this program "
     L"received: someone changed the negotiation on the way. Often a device in the path "
     L"that rewrites SMB (a WAN accelerator, proxy or inspecting firewall), or an attack "
     L"forcing a weaker dialect; rarely a server that answers this check wrongly.",
     L"Do not work around it: look for devices between here and the server that inspect or "
     L"rewrite SMB, compare with a run from another network, and look at the server's SMB "
     L"logs."},
    // [E1000]; learn.microsoft.com/troubleshoot/windows-server/networking/guest-access-in-
    // smb2-is-disabled-by-default (insecure guest logons). Credentials were offered and the
    // server answered that it took the logon as its guest: either it did not know the
    // account, or someone in the path changed its answer. Either way nothing may go on
    // such a session with the credentials' trust.
    {"", 1272, W::kAlways, L"The logon was refused: the server took the account for its "
     L"guest, and guest logons are blocked because they are not secure.",
     L"Credentials were offered, but the server answered that it took the logon as its guest: "
     L"often the server does not know the account (Samba's \"map to guest = bad user\" maps "
     L"unknown names and bad passwords to guest), or a device in the path changed its "
     L"answer.",
     L"Check the user name, its domain and the password on the server; if they are right, look "
     L"for devices between here and the server that inspect or rewrite SMB."},
    // [E1300], [NTS]
    {"", 1311, W::kAlways, L"No logon servers are available to service the logon request.",
     L"The server could not reach a domain controller to check the domain account: often "
     L"its link to the domain or the domain controllers are down.",
     L"Check the computer's domain connection (nltest /sc_query:DOMAIN on it); its local "
     L"accounts log on without a domain controller."},
    {"", 1317, W::kAlways, L"The account does not exist.",  // [E1300], [NTS]
     L"The server knows no account by the name offered: often a typing error, an account "
     L"of another computer, or a domain account given without its domain.",
     L"Check the user name; give a domain account as DOMAIN\\name."},
    {"", 1326, W::kAlways, L"Logon failure: unknown user name or bad password.",  // [E1300]
     L"The server rejected the credentials offered: often a wrong password, a user name "
     L"without its domain, or a local account where a domain one is expected.",
     L"Check the user name and password (USER, PASSWD, or the Kerberos ticket); give a "
     L"domain account as DOMAIN\\name."},
    // [E1300], [NTS], [BLANK]
    {"", 1327, W::kAlways, L"Account restrictions are preventing this user from signing in.",
     L"Often a blank password, which Windows refuses on network logons (\"Limit local "
     L"account use of blank passwords to console logon only\"), or a policy that keeps the "
     L"account to certain computers or logons.",
     L"Give the account a password, or use another one."},
    // [E1300], [NTS], [LOGON]
    {"", 1328, W::kAlways, L"The account's logon hours do not allow a logon now.",
     L"The account may log on only at certain hours, and now is outside them.",
     L"Change the account's logon hours, or run within them."},
    // [E1300], [NTS], [LOGON]
    {"", 1329, W::kAlways, L"This user is not allowed to sign in from this computer.",
     L"The account may log on only from the computers listed for it (Log On To), and this "
     L"computer's name is not among them.",
     L"Add this computer to the account's Log On To list, or use another account."},
    {"", 1330, W::kAlways, L"Logon failure: the account's password has expired.",  // [E1300]
     L"The password is right but too old for the server's password policy.",
     L"Change the password (or have it reset), then run again."},
    {"", 1331, W::kAlways, L"Logon failure: the account is disabled.",  // [E1300]
     L"The account exists but is switched off on the server or in its domain.",
     L"Have the account enabled, or use another one."},
    // [E1300], [NTS], [URA]
    {"", 1385, W::kAlways, L"The user has not been granted the requested logon type here.",
     L"The computer's user rights refuse this account network logons: \"Deny access to this "
     L"computer from the network\" names it (often so for local accounts), or \"Access this "
     L"computer from the network\" does not.",
     L"Check those two user rights in the computer's local or group policy."},
    // [E1300], [NTS], [SKEW]
    {"", 1398, W::kAlways, L"The clocks of this computer and the server differ too much.",
     L"Kerberos refuses the logon because this computer's clock and the server's (or its "
     L"domain's) differ by more than allowed, five minutes by default.",
     L"Set this computer's clock right (NTP against the domain), then get a new ticket."},
    // [E1300], [NTS]
    {"", 1450, W::kAlways, L"Insufficient system resources to complete the request.",
     L"The server ran short of memory or other resources: often an overloaded server.",
     L"Look at the server's memory and event log; try again later."},
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
    // On the SMB lines also a call on an open pipe whose answer failed or
    // broke the protocol.
    {"", 1726, W::kAlways, L"The remote procedure call failed.",  // [E1700]
     L"The call started but got no usable answer: the connection broke, or the server's "
     L"answer failed or could not be trusted. Often the server ended the session (a "
     L"time-out, a restart), or a device on the way cut or altered it.",
     L"Try again; if it repeats, run with --verbose and look at the server's event log."},
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
    // [E1700], [NTS], [TRUST]
    {"", 1789, W::kAlways, L"The trust relationship with the primary domain failed.",
     L"The server cannot check domain accounts because its own trust with the domain is "
     L"broken: often its computer account password is out of step (a restored snapshot, a "
     L"reset account).",
     L"Repair the computer's domain membership (Test-ComputerSecureChannel -Repair on it), "
     L"or log on with one of its local accounts."},
    {"", 1793, W::kAlways, L"The user's account has expired.",  // [E1700], [NTS], [LOGON]
     L"The account's expiry date has passed.",
     L"Have the account's expiry date moved, or use another account."},
    // [E1700], [NTS], [LOGON]
    {"", 1907, W::kAlways, L"The user's password must be changed before signing in.",
     L"The account must change its password at its next logon (new, or reset), which a "
     L"network logon cannot do.",
     L"Set a new password (log on once interactively, or have it changed), then run again."},
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
