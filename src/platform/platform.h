// The seam between the checks and the operating system. The checks never call
// the operating system themselves: they ask a Platform for the area they
// need. Default() is the real one for the build; tests build a fake.
#pragma once

#include "platform/console.h"
#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/files.h"
#include "platform/local_file.h"
#include "platform/libraries.h"
#include "platform/management.h"
#include "platform/netbios.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/session.h"
#include "platform/sockets.h"
#include "platform/system.h"

namespace winreach {

class Platform {
 public:
  virtual ~Platform() = default;

  virtual Console& console() = 0;
  virtual System& system() = 0;
  virtual Sockets& sockets() = 0;
  virtual Libraries& libraries() = 0;
  virtual Netbios& netbios() = 0;
  virtual Management& management() = 0;
  virtual Registry& registry() = 0;
  virtual Files& files() = 0;
  virtual Services& services() = 0;
  virtual Session& session() = 0;

  // A platform of its own for one computer's run among many: its own
  // sockets, NetBIOS client, ICMP helpers, SMB session and a console that
  // keeps what the run writes instead of printing it. Nothing of it is
  // shared with another run, so runs may go on in threads side by side.
  virtual std::unique_ptr<Platform> NewRun() = 0;

  // How many runs may go on at once without running out of what each one
  // holds (descriptors on Linux); raises the process's limits as far as
  // they go on first use.
  virtual size_t MostConcurrentRuns() = 0;

  // Opens a file on this computer; null when it cannot be opened.
  virtual std::unique_ptr<LocalFile> OpenLocalFile(std::wstring_view path, LocalFileMode mode) = 0;

  // Puts `bytes` into the file at `path` whole: written under a temporary
  // name beside it, then renamed over it, so that a reader sees the old
  // file or the new one, never half of one. False when that failed (the
  // temporary file is gone then).
  virtual bool ReplaceLocalFile(std::wstring_view path, std::string_view bytes) = 0;

  // Whether standard error is a terminal (where a progress line may be
  // redrawn).
  virtual bool ErrorIsTerminal() = 0;

  // The operating system's own platform, created on first use.
  static Platform& Default();
};

}  // namespace winreach
