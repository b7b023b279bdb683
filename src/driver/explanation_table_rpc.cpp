// The explanation table's RPC services: named pipes and RPC codes, and the
// checks that call a service (server information, the registry, the
// service control manager), with the refusals of the calls that are for
// administrators. Sources: see explanation_table.h.
#include "driver/explanation_table.h"

namespace winreach {

namespace {

using W = RowWhen;
constexpr RowMark kExpected = RowMark::kExpected;

constexpr ExplanationRow kRows[] = {
    {"", 109, W::kAlways, L"The pipe has been ended.",  // [E0], [NTS]
     L"The service at the other end of the pipe closed it: often the service stopped or "
     L"restarted during the check.",
     L"Check that the service runs on the computer; run again."},
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
     L"Compare with a run from a Windows computer."},

    // The RPC server could not be reached, by what the run proved.
    {"", 1722, W::kUnresolved, nullptr,  // [E1700]
     L"The name did not resolve, so no server could be reached by it.",
     L"See the name resolution line."},
    {"", 1722, W::kServerAnswered, nullptr,  // [E1700]
     L"The computer's SMB server answered other checks, but this service could not be "
     L"reached: often the service is stopped, or a firewall blocks the way this call takes.",
     L"Check that the service runs on the computer."},
    {"", 1722, W::kPingAnswered, nullptr,  // [E1700], [FW], [PROF]
     L"The computer answers ping, but the service's pipe could not be reached: often no SMB "
     L"server answered (see the lines before) because a firewall blocks File and Printer "
     L"Sharing.",
     L"Enable the File and Printer Sharing (SMB-In) firewall rule on the computer for its "
     L"network's profile."},
    {"", 1722, W::kNetbiosAnswered, nullptr,  // [E1700], [FW], [PROF]
     L"The computer is on (it answers NetBIOS), but the service's pipe could not be "
     L"reached: often no SMB server answered (see the lines before) because a firewall "
     L"blocks File and Printer Sharing (SMB-In).",
     L"Enable the File and Printer Sharing (SMB-In) firewall rule on the computer for its "
     L"network's profile."},

    // The checks whose access is for administrators, by what the run proved
    // of the account.
    {"administrative", 5, W::kOwnAccount, nullptr,  // [NSGI], [UAC]
     L"The server refused this account a request that is for administrators (server "
     L"information levels 102 and 503 also for Server Operators and similar groups): often "
     L"it is not an administrator of the computer.",
     L"Run as an account in the computer's Administrators group."},
    {"administrative", 5, W::kOwnAccount | W::kMayBeFiltered, nullptr,  // [UAC]
     L"The account is not an administrator of the computer; or, the most common case for a "
     L"local account in its Administrators group, Windows' remote restriction on local "
     L"accounts (UAC) takes the administrator rights away on network logons. Domain "
     L"accounts in that group keep them.",
     nullptr},
    {"administrative", 5, W::kMayBeFiltered | W::kProgramLogon, nullptr, nullptr,  // [UAC]
     L"Use a domain account in the computer's Administrators group (a Kerberos ticket, or "
     L"USER=DOMAIN\\name with PASSWD); for a local account, LocalAccountTokenFilterPolicy=1 "
     L"under HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System lifts the "
     L"restriction (it weakens the computer's protection)."},
    {"administrative", 5, W::kMayBeFiltered | W::kSystemLogon, nullptr, nullptr,  // [UAC]
     L"Use a domain account in the computer's Administrators group (runas /netonly "
     L"/user:DOMAIN\\name \"winreach COMPUTER\"); for a local account, "
     L"LocalAccountTokenFilterPolicy=1 under HKLM\\SOFTWARE\\Microsoft\\Windows\\"
     L"CurrentVersion\\Policies\\System lifts the restriction (it weakens the computer's "
     L"protection)."},
    {"administrative", 5, W::kOwnAccount | W::kAdminPassed, nullptr,  // [NSGI]
     L"This account administers the computer (ADMIN$ or the service manager let it in), yet "
     L"the server refused it this request: often permissions narrowed from their defaults, "
     L"or a server that is not Windows.",
     L"Compare with a run against a Windows server with default settings."},

    // Server information.
    {"server_info_100", 5, W::kAlways, nullptr,  // [NSGI]
     L"The server refuses even its basic information, which needs no group membership: "
     L"often an anonymous or guest logon that its security settings refuse, or a server "
     L"hardened beyond its defaults.",
     L"Run as an account the server knows."},
    {"server_info_101", 5, W::kAlways, nullptr,  // [NSGI]
     L"The server refuses even its basic information, which needs no group membership: "
     L"often an anonymous or guest logon that its security settings refuse, or a server "
     L"hardened beyond its defaults.",
     L"Run as an account the server knows."},
    {"server_info_", 124, W::kAlways, nullptr,  // [NSGI]
     L"The server does not serve this level: often an old or non-Windows server.",
     L"Nothing to do if the other levels answer."},
    {"server_info_503", 124, W::kAlways, nullptr,  // [NSGI]
     L"Expected: the server does not serve level 503 (Samba and some Windows versions "
     L"answer only 100 to 102). It is no fault.",
     L"Nothing to do.", kExpected},

    // The remote registry. Its service starts manually by default; where it
    // is disabled, sc start fails until it may start on demand.
    {"registry", 53, W::kServerAnswered, nullptr,  // [REG], [SCCFG]
     L"The computer answers SMB, but its registry cannot be reached: often the Remote "
     L"Registry service is stopped (it starts manually by default, and is disabled on some "
     L"editions).",
     L"As an administrator, start the Remote Registry service (sc \\\\NAME start "
     L"RemoteRegistry, or services.msc); if it is disabled, first let it start on demand "
     L"(sc \\\\NAME config RemoteRegistry start= demand)."},
    {"registry", 1722, W::kServerAnswered, nullptr,  // [REG], [SCCFG]
     L"The computer answers SMB, but its registry's RPC server could not be reached: often "
     L"the Remote Registry service is stopped or disabled (it starts manually by default, "
     L"and is disabled on some editions).",
     L"As an administrator, start the Remote Registry service (sc \\\\NAME start "
     L"RemoteRegistry, or services.msc); if it is disabled, first let it start on demand "
     L"(sc \\\\NAME config RemoteRegistry start= demand)."},
    {"registry", 5, W::kOwnAccount, nullptr,  // [REG]
     L"The server refused this account its registry: remote access is for administrators "
     L"and the accounts the winreg key's permissions name (HKLM\\SYSTEM\\CurrentControlSet\\"
     L"Control\\SecurePipeServers\\winreg), and this account is neither.",
     L"Run as an account in the computer's Administrators group."},
    {"registry", 5, W::kOwnAccount | W::kMayBeFiltered, nullptr,  // [REG], [UAC]
     L"The server refused this account its registry: remote access is for administrators "
     L"and the accounts the winreg key's permissions name (HKLM\\SYSTEM\\CurrentControlSet\\"
     L"Control\\SecurePipeServers\\winreg). Often the account is neither; or it is a local "
     L"account in Administrators whose rights UAC's remote restriction takes away on network "
     L"logons (domain accounts keep them).",
     L"Use a domain account in the computer's Administrators group; for a local one, "
     L"LocalAccountTokenFilterPolicy=1 (see KB951016) lifts the restriction."},
    {"registry", 5, W::kOwnAccount | W::kAdminPassed, nullptr,  // [REG]
     L"This account administers the computer (ADMIN$ or the service manager let it in), yet "
     L"its registry refused it: the winreg key's permissions (HKLM\\SYSTEM\\"
     L"CurrentControlSet\\Control\\SecurePipeServers\\winreg) leave administrators out, or a "
     L"server that is not Windows.",
     L"Compare the winreg key's permissions with a default computer's."},
    {"registry_", 5, W::kAlways, nullptr,  // [REG]
     L"The key's permissions refuse this account the access asked for; for the keys under "
     L"SOFTWARE often also a server that refuses the 64-bit view of the registry the check "
     L"asks for (Samba does).",
     L"Run as an administrator of the computer; compare with regedit connected to it."},
    {"registry_", 5, W::kOwnAccount | W::kMayBeFiltered, nullptr,  // [REG], [UAC]
     L"The key's permissions refuse this account the access asked for: often it is not an "
     L"administrator (or a local one under UAC's remote restriction); for the keys under "
     L"SOFTWARE also a server that refuses the 64-bit view the check asks for (Samba does).",
     L"Compare with regedit connected to the computer as the same account."},
    {"registry_", 5, W::kOwnAccount | W::kAdminPassed, nullptr,  // [REG]
     L"This account administers the computer (ADMIN$ or the service manager let it in), so "
     L"the key's own permissions refuse the access asked for; for the keys under SOFTWARE "
     L"often a server that refuses the 64-bit view the check asks for (Samba does).",
     L"Nothing to do against Samba; else compare with regedit connected to the computer."},
    {"registry_winlogon_full", 5, W::kAlways, nullptr,  // [REG]
     L"Full access to the Winlogon key is for administrators: reading it may pass while "
     L"full access fails. Against Samba, also its refusal of the 64-bit view.",
     L"Run as an administrator of the computer."},
    {"registry_winlogon_full", 5, W::kOwnAccount | W::kAdminPassed, nullptr,  // [REG]
     L"This account administers the computer (ADMIN$ or the service manager let it in), yet "
     L"full access to the Winlogon key was refused: often a server that refuses the 64-bit "
     L"view the check asks for (Samba does), or the key's permissions were narrowed.",
     L"Nothing to do against Samba; else compare with regedit connected to the computer."},
    {"registry_", 2, W::kAlways, nullptr,  // [E0]
     L"The key or value does not exist there: often a computer that is not Windows, or an "
     L"edition without it.",
     L"Nothing to do if the other keys read."},
    {"registry_", 234, W::kAlways, nullptr,  // [E0]
     L"The value exists and may be read, but is larger than the 2048 bytes the check reads.",
     L"Nothing to do: read access works.", kExpected},
    {"registry_", kAnyCode, W::kAlways, nullptr,
     L"The key could not be opened or read.",
     L"Compare with regedit connected to the computer."},

    // The service control manager. Windows calls it over RPC on TCP first
    // (the endpoint mapper on port 135, then a dynamic port), then over the
    // svcctl pipe; this program only over the pipe.
    {"scm", 5, W::kAdminSharePassed | W::kSystemLogon, nullptr,  // [SCMTCP], [RUNAS]
     L"ADMIN$ let this account in, yet the service manager refused it: Windows calls the "
     L"service manager over RPC on TCP first, which does not carry the credentials given to "
     L"net use, so that call ran as the account logged on here; else the service manager's "
     L"permissions were narrowed (sc sdshow scmanager on the computer).",
     L"Run winreach itself with the administrator's credentials (runas /netonly "
     L"/user:DOMAIN\\name \"winreach COMPUTER\") rather than through net use."},
    {"scm", 5, W::kAdminSharePassed | W::kProgramLogon, nullptr,  // [SCMTCP]
     L"ADMIN$ let this account in over the same session, yet the service manager refused it "
     L"full access: often its permissions were narrowed (sc sdshow scmanager on the "
     L"computer), or a server that is not Windows.",
     L"Compare the service manager's permissions with a default computer's."},
    {"scm", 1722, W::kServerAnswered | W::kSystemLogon, nullptr,  // [SCMTCP], [RPCEP], [FW]
     L"The computer answers SMB, but its service manager could not be called: over TCP a "
     L"firewall that blocks the endpoint mapper (port 135) or the dynamic ports, and over "
     L"the pipe DisableRemoteScmEndpoints=1 on the computer (which closes both), or a server "
     L"that is not Windows.",
     L"Enable the Remote Service Management firewall rules on the computer; check "
     L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\DisableRemoteScmEndpoints there."},
    {"scm", 1722, W::kServerAnswered | W::kProgramLogon, nullptr,  // [SCMTCP], [E1700]
     L"The computer answers SMB, but its service manager's pipe (svcctl) could not be "
     L"opened: often DisableRemoteScmEndpoints=1 on the computer closes the service manager "
     L"to remote calls, or a server that is not Windows.",
     L"Check HKLM\\SYSTEM\\CurrentControlSet\\Control\\DisableRemoteScmEndpoints on the "
     L"computer (absent or 0 lets remote calls in)."},
};

}  // namespace

std::span<const ExplanationRow> RpcServiceRows() { return kRows; }

}  // namespace winreach
