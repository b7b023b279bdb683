// The seam between the checks and the operating system. The checks never call
// the operating system themselves: they ask a Platform for the area they
// need. Default() is the real one for the build; tests build a fake.
#pragma once

#include "platform/console.h"
#include "platform/files.h"
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

  // The operating system's own platform, created on first use.
  static Platform& Default();
};

}  // namespace winreach
