// Drives the raw-socket ping of the Windows build on its own: the real
// platform, except that "ICMP.DLL" cannot be loaded, so that the method
// selection picks RawSocketPing as it does on a system without the ICMP
// helper library. Pings the address given (127.0.0.1 by default) once, with
// the run's time-out, and prints what the run would print for the ping.
#include <string>

#include "ping/ping_libraries.h"
#include "ping/raw_socket_ping.h"
#include "platform/forwarding_platform.h"

namespace winreach {
namespace {

class LibrariesWithoutIcmp : public Libraries {
 public:
  explicit LibrariesWithoutIcmp(Libraries& real) : real_(real) {}

  LibraryHandle Load(std::wstring_view file_name) override {
    return file_name == L"ICMP.DLL" ? nullptr : real_.Load(file_name);
  }
  void* GetProcAddress(LibraryHandle library, const char* name) override {
    return real_.GetProcAddress(library, name);
  }
  bool Free(LibraryHandle library) override { return real_.Free(library); }

 private:
  Libraries& real_;
};

class PlatformWithoutIcmp : public ForwardingPlatform {
 public:
  explicit PlatformWithoutIcmp(Platform& real)
      : ForwardingPlatform(real), libraries_(real.libraries()) {}
  Libraries& libraries() override { return libraries_; }

 private:
  LibrariesWithoutIcmp libraries_;
};

int Run(const std::wstring& target) {
  PlatformWithoutIcmp platform(Platform::Default());
  Console& console = platform.console();
  PingLibraries libraries;
  LoadPingLibraries(platform, libraries);
  if (libraries.method != PingMethod::kRawSocket) {
    console.Write(L"RawSocketPing was not selected\n");
    FreePingLibraries(platform, libraries);
    return 1;
  }
  console.Write(L"Selected: RawSocketPing\n");
  if (const uint32_t code = platform.sockets().Startup(0x0202); code != 0) {
    console.Write(L"Unable to start Windows sockets\n");
    return 1;
  }
  const bool answered = PingTarget(platform, libraries, target, 1000) != 0;
  console.Write(answered ? L"Ping OK!\n" : L"Unable to ping the computer!\n");
  FreePingLibraries(platform, libraries);
  platform.sockets().Cleanup();
  return answered ? 0 : 1;
}

}  // namespace
}  // namespace winreach

int wmain(int argc, wchar_t** argv) {
  return winreach::Run(argc > 1 ? argv[1] : L"127.0.0.1");
}
