// The four remote-administration areas over one SMB session per run.
#pragma once

#include <memory>

#include "platform/files.h"
#include "platform/management.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/session.h"

namespace winreach {

// Owns the session and its areas; not to be copied.
class SmbPlatform {
 public:
  SmbPlatform();
  ~SmbPlatform();

  Management& management();
  Registry& registry();
  Files& files();
  Services& services();
  Session& session();

 private:
  struct Areas;
  std::unique_ptr<Areas> areas_;
};

}  // namespace winreach
