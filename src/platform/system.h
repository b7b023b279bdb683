// Process-wide operating-system facts: the thread's last error code, the
// process identifier, clocks, the local computer's name and text conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace winreach {

// Who logs on to the remote computer for the checks: what decides how other
// credentials are offered and what a run can learn of its logon.
enum class RemoteLogon {
  // This program's own SMB client, with what the process offers it (USER
  // and PASSWD, a Kerberos ticket cache, smb.conf): it learns whom the
  // server took the logon for, and a run ends within its one deadline.
  kProgram,
  // The system's SMB client, with the user's own logon, the entries of
  // Credential Manager or a connection made before (net use): the program
  // learns nothing of the logon, and each call waits by the system's rules.
  kSystem,
};

class System {
 public:
  virtual ~System() = default;

  // GetLastError / SetLastError: a stored code reads back unchanged.
  virtual uint32_t LastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;

  virtual uint32_t CurrentProcessId() = 0;

  // Milliseconds since the system started, wrapping at 32 bits.
  virtual uint32_t TickCount() = 0;

  // A monotonic high-resolution counter and its non-zero rate per second.
  virtual int64_t PerformanceFrequency() = 0;
  virtual int64_t PerformanceCounter() = 0;

  // The local computer's name, at most 127 characters; empty when unknown.
  virtual std::wstring ComputerName() = 0;

  // An upper-case copy under the user's locale.
  virtual std::wstring UpperCase(std::wstring_view text) = 0;

  // The driver's 8-bit name: `text` in the system's 8-bit code page, or
  // nothing when the code page cannot carry it whole in `max_bytes` bytes (a
  // character it lacks, a zero character, too many bytes). A name cut or
  // changed on the way would be the name of another computer.
  virtual std::optional<std::string> ToCodePage(std::wstring_view text, size_t max_bytes) = 0;

  // The ping methods' 8-bit name, whole or nothing as above. Where the
  // resolver reads 8-bit names in a code page of letters (Windows), each
  // character up to U+00FF becomes the byte of the same value, used only when
  // the code page reads those bytes back as the same name; where it reads
  // UTF-8 (Linux), it is the same as ToCodePage.
  virtual std::optional<std::string> ToPingName(std::wstring_view text, size_t max_bytes) = 0;

  // "%S" in a wide message: an 8-bit string from the system's code page.
  virtual std::wstring FromCodePage(std::string_view text) = 0;

  // A remote NetBIOS name's bytes as text. Windows reads them in its OEM
  // code page; Linux, which has no such setting, in ISO 8859-1 (each byte
  // is the code point of the same value), so that bytes 0x80 to 0x9F stay
  // the control characters they are there and are never shown as letters.
  virtual std::wstring FromNetbiosName(std::string_view name) = 0;

  // The system's own one-line text for the Windows error `code`, in the
  // user's language, or `own` where the system has none (Linux never has):
  // both builds then say the same.
  virtual std::wstring ErrorMessage(uint32_t code, std::wstring_view own) = 0;

  // Who logs on to the remote computer for the checks (see RemoteLogon).
  virtual RemoteLogon RemoteLogonBy() = 0;
};

}  // namespace winreach
