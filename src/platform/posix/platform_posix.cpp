#include "platform/posix/platform_posix.h"

#include "platform/posix/console_posix.h"
#include "platform/posix/libraries_posix.h"
#include "platform/posix/netbios_posix.h"
#include "platform/posix/smb/smb_platform.h"
#include "platform/posix/sockets_posix.h"
#include "platform/posix/system_posix.h"

namespace winreach {

namespace {

class PosixPlatform : public Platform {
 public:
  Console& console() override { return console_; }
  System& system() override { return system_; }
  Sockets& sockets() override { return sockets_; }
  Libraries& libraries() override { return libraries_; }
  Netbios& netbios() override { return netbios_; }
  Management& management() override { return smb_.management(); }
  Registry& registry() override { return smb_.registry(); }
  Files& files() override { return smb_.files(); }
  Services& services() override { return smb_.services(); }
  Session& session() override { return smb_.session(); }

 private:
  PosixConsole console_;
  PosixSystem system_;
  PosixSockets sockets_;
  PosixLibraries libraries_;
  PosixNetbios netbios_;
  SmbPlatform smb_;
};

}  // namespace

std::unique_ptr<Platform> NewPosixPlatform() { return std::make_unique<PosixPlatform>(); }

Platform& Platform::Default() {
  static const std::unique_ptr<Platform> platform = NewPosixPlatform();
  return *platform;
}

}  // namespace winreach
