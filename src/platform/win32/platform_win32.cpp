#include "platform/win32/platform_win32.h"

#include "platform/win32/console_win32.h"
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

class Win32Platform : public Platform {
 public:
  Console& console() override { return console_; }
  System& system() override { return system_; }
  Sockets& sockets() override { return sockets_; }
  Libraries& libraries() override { return libraries_; }
  Netbios& netbios() override { return netbios_; }
  Management& management() override { return management_; }
  Registry& registry() override { return registry_; }
  Files& files() override { return files_; }
  Services& services() override { return services_; }
  Session& session() override { return session_; }

 private:
  Win32Console console_;
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

std::unique_ptr<Platform> NewWin32Platform() { return std::make_unique<Win32Platform>(); }

Platform& Platform::Default() {
  static const std::unique_ptr<Platform> platform = NewWin32Platform();
  return *platform;
}

}  // namespace winreach
