// A platform that hands every area to another one: the base of a platform
// that stands in for one area and keeps the rest as they are, so that a new
// area needs adding here only.
#pragma once

#include "platform/platform.h"

namespace winreach {

class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  Console& console() override { return inner_.console(); }
  System& system() override { return inner_.system(); }
  Sockets& sockets() override { return inner_.sockets(); }
  Libraries& libraries() override { return inner_.libraries(); }
  Netbios& netbios() override { return inner_.netbios(); }
  Management& management() override { return inner_.management(); }
  Registry& registry() override { return inner_.registry(); }
  Files& files() override { return inner_.files(); }
  Services& services() override { return inner_.services(); }
  Session& session() override { return inner_.session(); }
  std::unique_ptr<Platform> NewRun() override { return inner_.NewRun(); }
  size_t MostConcurrentRuns() override { return inner_.MostConcurrentRuns(); }
  std::unique_ptr<LocalFile> OpenLocalFile(std::wstring_view path, LocalFileMode mode) override {
    return inner_.OpenLocalFile(path, mode);
  }
  bool ReplaceLocalFile(std::wstring_view path, std::string_view bytes) override {
    return inner_.ReplaceLocalFile(path, bytes);
  }
  bool ErrorIsTerminal() override { return inner_.ErrorIsTerminal(); }

 private:
  Platform& inner_;
};

}  // namespace winreach
