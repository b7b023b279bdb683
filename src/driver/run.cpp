#include "driver/run.h"

#include <string>

#include "checks/adapter_status.h"
#include "checks/admin_share_and_scm.h"
#include "checks/remote_registry.h"
#include "checks/server_info.h"
#include "driver/usage.h"
#include "ping/ping_libraries.h"
#include "platform/format.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

constexpr uint16_t kWinsockVersion = 0x0202;
constexpr int32_t kPingTimeoutMs = 1000;

// Obtains the target's name from the first argument or, without one, from
// the prompt. Returns the name's full length, which may exceed what is kept.
size_t ObtainTargetName(Console& console, const std::vector<std::wstring>& arguments,
                        std::wstring* target) {
  if (!arguments.empty()) {
    *target = arguments.front().substr(0, kMaxTargetName);
    return arguments.front().size();
  }
  console.Write(L"Remote computer name:");
  size_t length = 0;
  if (!console.ReadWord(target, kMaxTargetName, &length)) {
    target->clear();
    return 0;
  }
  // A typed zero character ends the name, as it ends the string that every
  // operating-system call takes: the banner then shows the name that every
  // check uses, instead of checks that disagree about where it ends.
  if (const size_t zero = target->find(L'\0'); zero != std::wstring::npos) {
    target->resize(zero);
    length = zero;
  }
  return length;
}

void PrintBanner(Platform& platform, std::wstring_view target) {
  const std::wstring display = platform.system().UpperCase(target);
  const std::wstring local = platform.system().ComputerName();
  platform.console().Write(L"\n" + ProductNotice() +
                           L"\nTesting network connectivity to the remote computer " + display +
                           L"\nLocal computer: " + local + L"\n\n");
}

// Resolves the name, prints the address and host name, and asks the
// address for its NetBIOS adapter status.
void ReportNameResolution(Platform& platform, std::wstring_view target) {
  // A name the code page cannot carry whole is not looked up at all: its
  // cut or altered form would be another computer's name (the empty one
  // is this computer's). No host is known by it.
  const std::optional<std::string> eight_bit_name =
      platform.system().ToCodePage(target, kMaxEightBitName);
  const std::optional<HostEntry> host =
      eight_bit_name ? platform.sockets().GetHostByName(*eight_bit_name) : std::nullopt;
  if (!host) {
    const uint32_t code =
        eight_bit_name ? platform.sockets().LastError() : status::kWsaHostNotFound;
    platform.console().Write(L"Name resolution problem! Error code: " + Hex8(code) + L"\n");
    return;
  }
  const auto& a = host->first_address;
  std::string dotted = Unsigned8(a[0]) + "." + Unsigned8(a[1]) + "." + Unsigned8(a[2]) + "." +
                       Unsigned8(a[3]);
  platform.console().Write(L"IP address: " + Unsigned(a[0]) + L"." + Unsigned(a[1]) + L"." +
                           Unsigned(a[2]) + L"." + Unsigned(a[3]) + L"\n");
  const std::wstring host_name =
      host->official_name ? platform.system().FromCodePage(*host->official_name) : L"?";
  platform.console().Write(L"Host name: " + host_name + L"\n");
  ShowAdapterStatus(platform, dotted);
}

void Pause(Console& console) {
  console.Write8("Press any key to continue");
  console.WaitForKey();
  console.Write8("\n");
}

}  // namespace

int ConnectivityTest(Platform& platform, const std::vector<std::wstring>& arguments) {
  Console& console = platform.console();
  if (!arguments.empty() && IsUsageRequest(arguments.front())) {
    console.Write(UsageText(arguments.front()));
    return 0;
  }

  PingLibraries ping_libraries;
  LoadPingLibraries(platform, ping_libraries);
  const bool interactive = arguments.empty();
  std::wstring target;
  const size_t length = ObtainTargetName(console, arguments, &target);

  // A longer name would not fit in the machine path, and a cut one would
  // test some other computer: refuse it before anything goes out.
  if (length > kMaxTargetName) {
    console.WriteError(NameTooLongText(length));
    FreePingLibraries(platform, ping_libraries);
    if (interactive) Pause(console);
    return 0;
  }

  PrintBanner(platform, target);

  const uint32_t startup = platform.sockets().Startup(kWinsockVersion);
  if (startup != 0) {
    console.Write(L"Unable to intialize Windows sockets. Error code: " + Hex8(startup) + L"\n");
    return 0;
  }

  ReportNameResolution(platform, target);

  const bool answered = PingTarget(platform, ping_libraries, target, kPingTimeoutMs) != 0;
  console.Write(answered ? L"Ping OK!\n" : L"Unable to ping the computer!\n");

  const std::wstring machine_path = L"\\\\" + target;
  CheckServerInfo(platform, machine_path);
  CheckRemoteRegistry(platform, machine_path);
  CheckAdminShare(platform, machine_path);
  CheckServiceManager(platform, machine_path);

  FreePingLibraries(platform, ping_libraries);
  platform.sockets().Cleanup();
  if (interactive) Pause(console);
  return 0;
}

}  // namespace winreach
