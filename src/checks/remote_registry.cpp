#include "checks/remote_registry.h"

#include <array>
#include <string>

#include "platform/format.h"

namespace winreach {

namespace {

constexpr uint32_t kValueBufferSize = 2048;

struct KeyCheck {
  const char* id;
  const wchar_t* path;
  uint32_t access;
  const wchar_t* value;  // null: the check only opens the key
  bool shows_value;      // the success line ends with the value's text
  const wchar_t* success;
  const wchar_t* open_failure;
  const wchar_t* read_failure;
};

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// The five checks, in their order. The SOFTWARE keys ask for the 64-bit
// view, so that a 32-bit build reads what a 64-bit target really holds.
constexpr std::array<KeyCheck, 5> kKeyChecks = {{
    {"registry_current_version", kCurrentVersion, kKeyRead | kKeyWow64_64Key, L"CurrentVersion",
     true,
     L"Successfully retrieved current version! ",
     L"Read access to the CurrentVersion key failed! Error ",
     L"Failed to read the current version! Error "},
    {"registry_winlogon_read", kWinlogon, kKeyRead | kKeyWow64_64Key, L"Userinit", false,
     L"Read access to the Winlogon key OK!\n",
     L"Read access to the Winlogon key failed! Error ",
     L"Failed to read the value \"Userinit\" in the Winlogon key! Error "},
    {"registry_winlogon_full", kWinlogon, kKeyAllAccess | kKeyWow64_64Key, nullptr, false,
     L"Full access to the Winlogon key OK!\n",
     L"Full access to the Winlogon key failed! Error ", nullptr},
    {"registry_computer_name",
     L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName", kKeyRead,
     L"ComputerName", false,
     L"Read access to the key \"Control\\ComputerName\\ActiveComputerName\" OK!\n",
     L"Read access to the key \"Control\\ComputerName\\ActiveComputerName\" failed! Error ",
     L"Failed to read the value \"ComputerName\" in the "
     L"\"Control\\ComputerName\\ActiveComputerName\" key! Error "},
    {"registry_tcpip",
     L"SYSTEM\\CurrentControlSet\\Services\\TcpIp\\Parameters", kKeyRead, L"HostName", false,
     L"Read access to the key \"TcpIp\\Parameters\" OK!\n",
     L"Read access to the key \"TcpIp\\Parameters\" failed! Error ",
     L"Failed to read the value \"HostName\" in the \"TcpIp\\Parameters\" key! Error "},
}};

CheckOutcome RunKeyCheck(Platform& platform, RegistryKey root, const KeyCheck& check,
                         std::array<uint8_t, kValueBufferSize>& value) {
  const Stopwatch stopwatch(platform.system());
  Registry& registry = platform.registry();
  Console& console = platform.console();
  RegistryKey key = nullptr;
  const uint32_t opened = registry.OpenKey(root, check.path, 0, check.access, &key);
  if (key == nullptr) {
    console.Write(check.open_failure + Hex8(opened) + L"\n");
    return stopwatch.Failed(check.id, opened).With("stage", L"open");
  }
  CheckOutcome outcome;
  if (check.value == nullptr) {
    console.Write(check.success);
    outcome = stopwatch.Passed(check.id);
  } else {
    uint32_t size = kValueBufferSize;
    const uint32_t read = registry.QueryValue(key, check.value, nullptr, value.data(), &size);
    if (read != 0) {
      console.Write(check.read_failure + Hex8(read) + L"\n");
      outcome = stopwatch.Failed(check.id, read).With("stage", L"read");
    } else if (check.shows_value) {
      // The version is shown as the text that stands in the buffer, whatever
      // the value's type; a value that fills the buffer ends at its end. It is
      // the remote computer's text: shown without control characters.
      const std::wstring text = PrintableText(WideFromUtf16Le(value.data(), value.size()));
      console.Write(check.success + text + L"\n");
      outcome = stopwatch.Passed(check.id).With("value", text);
    } else {
      console.Write(check.success);
      outcome = stopwatch.Passed(check.id);
    }
  }
  registry.CloseKey(key);
  return outcome;
}

}  // namespace

std::vector<CheckOutcome> CheckRemoteRegistry(Platform& platform, std::wstring_view machine_path) {
  const Stopwatch stopwatch(platform.system());
  RegistryKey root = nullptr;
  const uint32_t connected =
      platform.registry().ConnectRegistry(machine_path, LocalMachineRoot(), &root);
  if (root == nullptr) {
    platform.console().Write(L"Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error " +
                             Hex8(connected) + L"\n");
    return {stopwatch.Failed("registry", connected)};
  }
  std::array<uint8_t, kValueBufferSize> value{};
  platform.console().Write(L"Remote access to the registry (HKEY_LOCAL_MACHINE) OK!\n");
  std::vector<CheckOutcome> outcomes = {stopwatch.Passed("registry")};
  for (const KeyCheck& check : kKeyChecks) {
    outcomes.push_back(RunKeyCheck(platform, root, check, value));
  }
  platform.registry().CloseKey(root);
  return outcomes;
}

}  // namespace winreach
