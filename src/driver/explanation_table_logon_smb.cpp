// The explanation table's logons and SMB: what each system error code means
// whatever the check (Windows describes these itself; the text here is for
// Linux and for codes Windows has no text for), the logon's refusals, and
// what a refusal says by who logs on and what the run proved of the account.
// Sources: see explanation_table.h.
#include "driver/explanation_table.h"

namespace winreach {

namespace {

using W = RowWhen;
constexpr RowMark kOwnWords = RowMark::kOwnWords;

constexpr ExplanationRow kRows[] = {
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
    {"", 5, W::kAlways, L"Access is denied: the server refused this account the request.",  // [E0]
     L"The account the checks ran as lacks the right: often it is not an administrator of "
     L"the computer, or the checks ran as the server's guest or anonymously.",
     L"Run as an account in the computer's Administrators group."},
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
    {"", 50, W::kAlways, L"The request is not supported.",  // [E0]
     L"The server does not support a request the check makes: often a server that is not "
     L"Windows, or an old one.",
     L"Compare with a run against a Windows server."},
    {"", 50, W::kProgramLogon, nullptr,  // [E0], [SMB1], [SMBSRV], [LINUX]
     L"The server and this program have no SMB dialect in common: often the server speaks "
     L"only SMB1, which this program does not use (Windows 10 and 11 no longer install it "
     L"either), or this computer's smb.conf narrows the dialects (client min protocol, "
     L"client max protocol); else the server does not support this request.",
     L"Enable SMB 2 or 3 on the server (SMB1 is deprecated and unsafe; a system that cannot "
     L"do SMB 2 is past its support); check those smb.conf settings."},

    // [E0], [NTS]
    {"", 51, W::kAlways, L"The remote computer is not listening (the network path cannot be "
     L"found).",
     L"The computer did not take the request: often its Server service is stopping or "
     L"starting, or the computer is shutting down.",
     L"Check that the Server service (LanmanServer) runs on the computer; run again."},
    // [E0], [NTS], [ALIAS]
    {"", 52, W::kAlways, L"Not connected: a duplicate name exists on the network.",
     L"The server does not take the name it was called by as its own: often an alias (a "
     L"DNS CNAME, or another name for its address) refused by its strict name checking, or "
     L"another computer that has its NetBIOS name.",
     L"Try the computer's own name or its address; to accept an alias, register it on the "
     L"computer (netdom computername NAME /add:ALIAS)."},
    // [E0], [FW], [PROF]
    {"", 53, W::kAlways, L"The network path was not found: no SMB server could be reached.",
     L"No SMB server answered on port 445 or 139: often the computer is off or unreachable, "
     L"its firewall blocks File and Printer Sharing (a rule enabled for Domain and Private "
     L"networks only, on a network the computer counts as Public), or its Server service is "
     L"stopped.",
     L"Check that the computer is on; enable the File and Printer Sharing (SMB-In) firewall "
     L"rule for its network's profile; check that the Server service (LanmanServer) runs."},
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
     L"Look at the server's SMB logs (Microsoft-Windows-SMBServer, or Samba's log) and for "
     L"devices in the path that inspect SMB."},
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
     L"Check the password."},
    // [E0], [NTS]
    {"", 123, W::kAlways, L"The file name, folder name or volume label syntax is incorrect.",
     L"The server refused a path or pipe name the check sent as malformed: often a server "
     L"that is not Windows.",
     L"Compare with a run against a Windows server; report it with --verbose output."},
    {"", 124, W::kAlways, L"The server does not serve this information level.", nullptr,  // [E0]
     nullptr},
    // [E0], [NTS]
    {"", 183, W::kAlways, L"Cannot create a file when that file already exists.",
     L"The server took the check's open of an existing file for a create: often a server "
     L"that is not Windows.",
     L"Compare with a run against a Windows server; report it with --verbose output."},
    {"", 234, W::kAlways, L"More data is available than the buffer holds.", nullptr,  // [E0]
     nullptr},
    {"", 267, W::kAlways, L"The directory name is invalid.",  // [E0], [NTS]
     L"A part of the path the check opens is not a folder on the server: often a share that "
     L"points elsewhere, or a server that is not Windows.",
     L"Check where the share points (net share ADMIN$ on the computer)."},
    // [E500], [NTS]: STATUS_CANCELLED
    {"", 995, W::kAlways, L"The I/O operation has been aborted.",
     L"The request was cancelled before it finished: often a server that is shutting down "
     L"or restarting its Server service.",
     L"Run again; look at the server's event log."},
    {"", 997, W::kAlways, L"The operation is still in progress.",  // [E500], [NTS]
     L"The server answered \"pending\" where the final answer was due: a server that breaks "
     L"the SMB protocol.",
     L"Compare with another server; report it with --verbose output."},
    {"", 1168, W::kAlways, L"Element not found.",  // [E1000], [NTS]
     L"The server found nothing by a name the request gives: often a server that is not "
     L"Windows, or a share or service set up differently.",
     L"Compare with a run against a Windows server."},
    // [E1000], [USE]: the system's client only
    {"", 1219, W::kAlways, L"Multiple connections to a server by the same user, using more "
     L"than one user name, are not allowed.", nullptr, nullptr},
    {"", 1219, W::kSystemLogon, nullptr,
     L"This computer already has a connection to the computer made with other credentials "
     L"(a mapped drive, net use, an open Explorer window), and Windows keeps one set of "
     L"credentials per server and user.",
     L"List the connections (net use) and delete those to the computer (net use "
     L"\\\\NAME\\IPC$ /delete), then run again."},
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
     L"logs.",
     kOwnWords},
    // [E1000], [GUEST]. Credentials were offered and the
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
     L"Check the user name and password; give a domain account as DOMAIN\\name."},
    // [E1300], [NTS], [BLANK], [PROT]
    {"", 1327, W::kAlways, L"Account restrictions are preventing this user from signing in.",
     L"Often a blank password, which Windows refuses on network logons (\"Limit local "
     L"account use of blank passwords to console logon only\"), or a policy that keeps the "
     L"account to certain computers or logons; for a domain account also its membership in "
     L"Protected Users, or an authentication policy, either of which refuses NTLM.",
     L"Give the account a password, or use another one; for a protected domain account, log "
     L"on with Kerberos (name the computer by its host name, not its address)."},
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
    // [E1300], [ALIAS]
    {"", 1396, W::kAlways, L"Logon failure: the target account name is incorrect.",
     L"Kerberos got a ticket for another account than the one the computer runs as: often "
     L"the name given points at another computer (a stale DNS record, an alias), or the "
     L"name's SPN is registered on another account.",
     L"Name the computer by its own host name; check its SPNs (setspn -Q cifs/NAME) and its "
     L"DNS record."},
    // [E1300], [NTS], [SKEW]
    {"", 1398, W::kAlways, L"The clocks of this computer and the server differ too much.",
     L"Kerberos refuses the logon because this computer's clock and the server's (or its "
     L"domain's) differ by more than allowed, five minutes by default.",
     L"Set this computer's clock right (against the domain's time), then run again."},
    // [E1300], [NTS]
    {"", 1450, W::kAlways, L"Insufficient system resources to complete the request.",
     L"The server or this computer ran short of memory or other resources: often an "
     L"overloaded server.",
     L"Look at the server's memory and event log; try again later."},
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
    {"", 1937, W::kAlways, L"NTLM logons are blocked.",  // [E1700], [NTLM]
     L"The server's policy \"Network security: Restrict NTLM: Incoming NTLM traffic\" (or "
     L"its domain's) denies NTLM, and no Kerberos ticket was used.",
     L"Log on with Kerberos: name the computer by its host name, not its address."},
    {"", 2114, W::kAlways, L"The Server service is not started.",  // [NSGI]
     L"The computer's Server service (LanmanServer) is stopped.",
     L"Start the Server service on the computer."},
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

    // The computer is up, but this check's SMB path was not found, or no SMB
    // server answered.
    {"", 53, W::kServerAnswered, nullptr,  // [E0]
     L"The computer's SMB server answered other checks, but the path this check opens "
     L"could not be found: often the service behind it is stopped.",
     L"Look at the check's own line; check that the service runs on the computer."},
    {"", 53, W::kPingAnswered, nullptr,  // [E0], [FW], [PROF]
     L"The computer answers ping, but no SMB server answered on port 445 or 139: often its "
     L"firewall blocks File and Printer Sharing (a rule enabled for Domain and Private "
     L"networks only, on a network the computer counts as Public), its Server service is "
     L"stopped, or it is not a computer that shares files.",
     L"Enable the File and Printer Sharing (SMB-In) firewall rule on it for its network's "
     L"profile; check that the Server service (LanmanServer) runs."},
    {"", 53, W::kNetbiosAnswered, nullptr,  // [E0], [FW], [PROF]
     L"The computer is on (it answers NetBIOS), but no SMB server answered on port 445 or "
     L"139: often its firewall blocks File and Printer Sharing (SMB-In) while it lets NetBIOS "
     L"names through, as on a network it counts as Public with the rule enabled for Domain and "
     L"Private networks only, or its Server service is stopped.",
     L"Enable the File and Printer Sharing (SMB-In) firewall rule on it for its network's "
     L"profile; check that the Server service (LanmanServer) runs."},

    // Refusals and logons whose remedy is told by who logs on: this program
    // (USER, PASSWD, a Kerberos ticket; --verbose tells whom the server took)
    // or the system (the user's logon, Credential Manager, net use, runas).
    // A row without a cause gives the next step alone.
    {"", 5, W::kAnonymous | W::kProgramLogon, nullptr,  // [E0], [LINUX]
     L"The checks ran anonymously (no credentials were offered), and an anonymous logon has "
     L"no administrator rights.",
     L"Offer an administrator's credentials: a Kerberos ticket (kinit), or USER=DOMAIN\\name "
     L"with PASSWD."},
    {"", 5, W::kAsGuest | W::kProgramLogon, nullptr,  // [E0], [LINUX]
     L"The server took the logon as its guest, which has no administrator rights; often the "
     L"user name is unknown to the server, or no credentials were offered.",
     L"Offer an administrator's credentials the server knows (--verbose tells whom it took)."},
    {"", 5, W::kProgramLogon, nullptr, nullptr,  // [E0], [LINUX]
     L"Run as an account in the computer's Administrators group: USER=DOMAIN\\name with "
     L"PASSWD, or a Kerberos ticket (kinit); --verbose tells the account the server took."},
    {"", 5, W::kSystemLogon, nullptr, nullptr,  // [E0], [RUNAS], [CMDKEY]
     L"Run as an account in the computer's Administrators group: runas /netonly "
     L"/user:DOMAIN\\name \"winreach COMPUTER\", or a Credential Manager entry for the "
     L"computer (cmdkey /add:COMPUTER /user:DOMAIN\\name /pass)."},
    {"", 58, W::kSystemLogon, nullptr,  // [E0], [SMB1], [SIGN]
     L"Often a server that speaks only SMB1, which Windows no longer uses, or one that does "
     L"not sign while this computer's policy requires signing (\"Microsoft network client: "
     L"Digitally sign communications (always)\"); else a device on the way that alters SMB.",
     L"Enable SMB 2 or 3 and signing on the server; compare with a run against a Windows "
     L"server."},
    {"", 59, W::kProgramLogon, nullptr, nullptr,  // [E0], [NTS], [LINUX]
     L"Run with --verbose (dialect and protection agreed); look at the server's SMB logs "
     L"(Microsoft-Windows-SMBServer, or Samba's log) and for devices in the path that "
     L"inspect SMB."},
    {"", 64, W::kSystemLogon, nullptr,  // [E0], [SMB1], [SIGN]
     L"The server dropped the connection: often it speaks only SMB1, which Windows no longer "
     L"uses, or it does not sign while this computer's policy requires signing; else its "
     L"settings refused the session, or it restarted.",
     L"Enable SMB 2 or 3 and signing on the server; look at its SMB settings and its "
     L"Microsoft-Windows-SMBServer event log."},
    {"", 86, W::kProgramLogon, nullptr, nullptr,  // [E0], [LINUX]
     L"Check the password (PASSWD, or the Kerberos ticket)."},
    {"", 86, W::kSystemLogon, nullptr, nullptr,  // [E0], [CMDKEY], [USE]
     L"Check the password Windows offered: a Credential Manager entry for the computer "
     L"(cmdkey /list), or the one given to net use or runas /netonly."},
    {"", 121, W::kAlways, L"The time-out expired before an answer came.",  // [E0]
     L"No answer came in time: often a server that takes the connection and then stops "
     L"answering, an overloaded server, or a network that drops packets.",
     L"Look at the first line that failed and its code; check the server's load and the "
     L"path to it, then run again."},
    {"", 121, W::kProgramLogon, nullptr,  // [E0], [LINUX]
     L"The run's time was used up: a run ends within a minute, and then the check under way "
     L"and every later one fail with this code. Often a server that answers slowly or stops "
     L"answering, so that earlier lines used the time, an overloaded server, or a network "
     L"that drops packets.",
     L"Look at the first line that failed and its code; check the server's load and the "
     L"path to it, then run again."},
    {"", 1326, W::kProgramLogon, nullptr, nullptr,  // [E1300], [LINUX]
     L"Check the user name and password (USER, PASSWD, or the Kerberos ticket); give a "
     L"domain account as DOMAIN\\name."},
    {"", 1326, W::kSystemLogon, nullptr,  // [E1300], [RUNAS], [CMDKEY], [USE]
     L"The server rejected the credentials Windows offered: your own logon's, a Credential "
     L"Manager entry for the computer, or those of a connection made before; often a wrong "
     L"or stale password, or a local account where a domain one is expected.",
     L"Check the stored credentials (cmdkey /list, net use); to offer others, runas "
     L"/netonly /user:DOMAIN\\name \"winreach COMPUTER\"."},
    {"", 1937, W::kProgramLogon, nullptr, nullptr,  // [E1700], [NTLM], [LINUX]
     L"Log on with Kerberos: get a ticket (kinit user@REALM) and name the computer by its "
     L"host name, not its address."},
    {"", 1937, W::kSystemLogon, nullptr,  // [E1700], [NTLM], [NTLMOUT], [RUNAS]
     L"NTLM was refused and Kerberos not used: by the server's policy (\"Restrict NTLM: "
     L"Incoming NTLM traffic\"), or by this computer's own (\"Restrict NTLM: Outgoing NTLM "
     L"traffic to remote servers\", or its SMB client's NTLM blocking).",
     L"Name the computer by its host name so that Kerberos can be used, with a domain account "
     L"(runas /netonly /user:DOMAIN\\name \"winreach HOST\"); or add the server to this "
     L"computer's exceptions for outgoing NTLM."},

    // The administrative share.
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
};

}  // namespace

std::span<const ExplanationRow> LogonAndSmbRows() { return kRows; }

}  // namespace winreach
