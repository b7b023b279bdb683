#include "driver/session_text.h"

#include "platform/format.h"

namespace winreach {

namespace {

std::wstring Endpoint(const SessionFacts& facts) {
  if (facts.server.empty()) return L"(server unknown)";
  const std::wstring server = PrintableText(facts.server);
  if (facts.port == 0) return server;
  const bool ipv6 = server.find(L':') != std::wstring::npos;
  return (ipv6 ? L"[" + server + L"]" : server) + L":" + Unsigned(facts.port);
}

std::wstring Protection(const SessionFacts& facts) {
  if (facts.encryption.value_or(false)) return L"encrypted";
  if (!facts.signing) return L"signing unknown";
  return *facts.signing ? L"signed" : L"unsigned";
}

std::wstring Account(const SessionFacts& facts) {
  const std::wstring identity = Identity(facts);
  return identity.empty() ? L"(account unknown)" : PrintableText(identity);
}

std::wstring Logon(const SessionFacts& facts) {
  switch (facts.method) {
    case LogonMethod::kKerberos:
      return L"Kerberos as " + Account(facts);
    case LogonMethod::kNtlm:
      return L"NTLM as " + Account(facts);
    case LogonMethod::kAnonymous:
      return L"anonymous";
    case LogonMethod::kUnknown:
      break;
  }
  return facts.account == LogonAccount::kUnknown ? L"logon unknown"
                                                 : L"logon method unknown, as " + Account(facts);
}

}  // namespace

std::wstring Identity(const SessionFacts& facts) {
  switch (facts.account) {
    case LogonAccount::kNamed:
      return facts.name;
    case LogonAccount::kGuest:
      return L"guest";
    case LogonAccount::kAnonymous:
      return L"anonymous";
    case LogonAccount::kUnknown:
      break;
  }
  return L"";
}

std::wstring SessionLine(const SessionFacts& facts) {
  const std::wstring dialect =
      facts.dialect.empty() ? L"SMB (dialect unknown)" : L"SMB " + PrintableText(facts.dialect);
  return L"winreach: " + Endpoint(facts) + L" " + dialect + L", " + Protection(facts) + L", " +
         Logon(facts) + L"\n";
}

std::optional<std::wstring> UnusedCredentialsWarning(const SessionFacts& facts) {
  if (!facts.credentials_offered) return std::nullopt;
  switch (facts.account) {
    case LogonAccount::kAnonymous:
      return L"winreach: credentials were offered, but the remote checks ran anonymously\n";
    case LogonAccount::kGuest:
      return L"winreach: credentials were offered, but the server took the remote checks' "
             L"logon as its guest\n";
    default:
      return std::nullopt;
  }
}

}  // namespace winreach
