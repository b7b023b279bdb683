#include "platform/win32/platform_win32.h"

#include <algorithm>

#include "platform/buffered_console.h"
#include "platform/win32/console_win32.h"
#include "platform/win32/local_file_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/libraries_win32.h"
#include "platform/win32/management_win32.h"
#include "platform/win32/netbios_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/session_win32.h"
#include "platform/win32/sockets_win32.h"
#include "platform/win32/system_win32.h"

namespace winreach {

namespace {

// What one computer's run holds at once is a few sockets and handles, and a
// thread whose stack takes 1 MiB of address space: 512 of them fit the
// 32-bit program's 2 GiB beside everything else.
constexpr size_t kMostConcurrentRuns = 512;

class Win32Platform : public Platform {
 public:
  explicit Win32Platform(std::unique_ptr<Console> console) : console_(std::move(console)) {}

  Console& console() override { return *console_; }
  System& system() override { return system_; }
  Sockets& sockets() override { return sockets_; }
  Libraries& libraries() override { return libraries_; }
  Netbios& netbios() override { return netbios_; }
  Management& management() override { return management_; }
  Registry& registry() override { return registry_; }
  Files& files() override { return files_; }
  Services& services() override { return services_; }
  Session& session() override { return session_; }

  std::unique_ptr<Platform> NewRun() override {
    return std::make_unique<Win32Platform>(std::make_unique<BufferedConsole>());
  }
  size_t MostConcurrentRuns() override { return kMostConcurrentRuns; }
  std::unique_ptr<LocalFile> OpenLocalFile(std::wstring_view path, LocalFileMode mode) override {
    return OpenWin32LocalFile(path, mode);
  }
  bool ReplaceLocalFile(std::wstring_view path, std::string_view bytes) override {
    return ReplaceWin32LocalFile(path, bytes);
  }
  bool ErrorIsTerminal() override {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
  }

 private:
  std::unique_ptr<Console> console_;
  Win32System system_;
  Win32Sockets sockets_;
  Win32Libraries libraries_;
  Win32Netbios netbios_;
  Win32Management management_;
  Win32Registry registry_;
  Win32Files files_;
  Win32Services services_;
  Win32Session session_;
};

}  // namespace

std::unique_ptr<Platform> NewWin32Platform() {
  return std::make_unique<Win32Platform>(std::make_unique<Win32Console>());
}

Platform& Platform::Default() {
  static const std::unique_ptr<Platform> platform = NewWin32Platform();
  return *platform;
}

}  // namespace winreach
