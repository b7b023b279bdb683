// The platform as the checks see it while the JSON report is made: every
// area is the real one, but the lines the checks print go nowhere, so that
// standard output carries the document and nothing else. Diagnostics about
// the program's own use still reach standard error.
#pragma once

#include "platform/forwarding_platform.h"

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

class QuietPlatform : public ForwardingPlatform {
 public:
  explicit QuietPlatform(Platform& platform)
      : ForwardingPlatform(platform), console_(platform.console()) {}
  Console& console() override { return console_; }

 private:
  QuietConsole console_;
};

}  // namespace winreach
