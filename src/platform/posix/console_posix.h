// The console on Linux: UTF-8 on standard output, written with write(2) so
// that each message leaves in one call.
#pragma once

#include "platform/console.h"

namespace winreach {

class PosixConsole : public Console {
 public:
  void Write(std::wstring_view message) override;
  void Write8(std::string_view message) override;
  void WriteError(std::wstring_view message) override;
  bool ReadWord(std::wstring* word, size_t max_chars, size_t* length) override;
  void WaitForKey() override;
};

}  // namespace winreach
