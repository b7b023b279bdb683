#include "platform/posix/platform_posix.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "platform/buffered_console.h"
#include "platform/posix/console_posix.h"
#include "platform/posix/libraries_posix.h"
#include "platform/posix/local_file_posix.h"
#include "platform/posix/netbios_posix.h"
#include "platform/posix/smb/smb_platform.h"
#include "platform/posix/sockets_posix.h"
#include "platform/posix/system_posix.h"

namespace winreach {

namespace {

// The most descriptors one computer's run holds at once (the resolver's,
// the NetBIOS query's, the ICMP probe and echo, the SMB connection, the
// Kerberos library's files), with room to spare, and what the process keeps
// besides (standard streams, the list, the record file).
constexpr size_t kDescriptorsPerRun = 16;
constexpr size_t kDescriptorsBesideRuns = 64;

class PosixPlatform : public Platform {
 public:
  explicit PosixPlatform(std::unique_ptr<Console> console) : console_(std::move(console)) {}

  Console& console() override { return *console_; }
  System& system() override { return system_; }
  Sockets& sockets() override { return sockets_; }
  Libraries& libraries() override { return libraries_; }
  Netbios& netbios() override { return netbios_; }
  Management& management() override { return smb_.management(); }
  Registry& registry() override { return smb_.registry(); }
  Files& files() override { return smb_.files(); }
  Services& services() override { return smb_.services(); }
  Session& session() override { return smb_.session(); }

  std::unique_ptr<Platform> NewRun() override {
    return std::make_unique<PosixPlatform>(std::make_unique<BufferedConsole>());
  }

  size_t MostConcurrentRuns() override {
    static std::once_flag raised;
    static size_t descriptors = 0;
    std::call_once(raised, [] { descriptors = RaiseDescriptorLimit(); });
    if (descriptors <= kDescriptorsBesideRuns + kDescriptorsPerRun) return 1;
    return (descriptors - kDescriptorsBesideRuns) / kDescriptorsPerRun;
  }

  std::unique_ptr<LocalFile> OpenLocalFile(std::wstring_view path, LocalFileMode mode) override {
    return OpenPosixLocalFile(path, mode);
  }

  bool ReplaceLocalFile(std::wstring_view path, std::string_view bytes) override {
    return ReplacePosixLocalFile(path, bytes);
  }

  bool ErrorIsTerminal() override { return ::isatty(STDERR_FILENO) == 1; }

 private:
  std::unique_ptr<Console> console_;
  PosixSystem system_;
  PosixSockets sockets_;
  PosixLibraries libraries_;
  PosixNetbios netbios_;
  SmbPlatform smb_;
};

}  // namespace

std::unique_ptr<Platform> NewPosixPlatform() {
  return std::make_unique<PosixPlatform>(std::make_unique<PosixConsole>());
}

Platform& Platform::Default() {
  static const std::unique_ptr<Platform> platform = NewPosixPlatform();
  return *platform;
}

}  // namespace winreach
