// The four remote-administration areas over one SMB session per run.
#pragma once

#include "platform/files.h"
#include "platform/management.h"
#include "platform/registry.h"
#include "platform/services.h"

namespace winreach {

class SmbPlatform {
 public:
  SmbPlatform();
  ~SmbPlatform();

  Management& management();
  Registry& registry();
  Files& files();
  Services& services();

 private:
  struct Areas;
  Areas* areas_;
};

}  // namespace winreach
