// The platform as the checks see it while the JSON report is made: every
// area is the real one, but the lines the checks print go nowhere, so that
// standard output carries the document and nothing else. Diagnostics about
// the program's own use still reach standard error.
#pragma once

#include "platform/platform.h"

namespace winreach {

class QuietConsole : public Console {
 public:
  explicit QuietConsole(Console& console) : console_(console) {}
  void Write(std::wstring_view) override {}
  void Write8(std::string_view) override {}
  void WriteError(std::wstring_view message) override { console_.WriteError(message); }
  bool ReadWord(std::wstring* word, size_t max_chars, size_t* length) override {
    return console_.ReadWord(word, max_chars, length);
  }
  void WaitForKey() override {}

 private:
  Console& console_;
};

class QuietPlatform : public Platform {
 public:
  explicit QuietPlatform(Platform& platform) : platform_(platform), console_(platform.console()) {}
  Console& console() override { return console_; }
  System& system() override { return platform_.system(); }
  Sockets& sockets() override { return platform_.sockets(); }
  Libraries& libraries() override { return platform_.libraries(); }
  Netbios& netbios() override { return platform_.netbios(); }
  Management& management() override { return platform_.management(); }
  Registry& registry() override { return platform_.registry(); }
  Files& files() override { return platform_.files(); }
  Services& services() override { return platform_.services(); }
  Session& session() override { return platform_.session(); }

 private:
  Platform& platform_;
  QuietConsole console_;
};

}  // namespace winreach
