// A console that records every message and serves scripted input.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/console.h"

namespace winreach {

class FakeConsole : public Console {
 public:
  struct Message {
    bool wide;
    std::wstring text;  // 8-bit messages are widened byte for byte
  };

  void Write(std::wstring_view message) override;
  void Write8(std::string_view message) override;
  void WriteError(std::wstring_view message) override;
  bool ReadWord(std::wstring* word, size_t max_chars, size_t* length) override;
  void WaitForKey() override;

  // Everything written to standard output, concatenated.
  std::wstring Output() const;

  std::vector<Message> messages;
  std::wstring errors;
  std::deque<std::wstring> words;  // what ReadWord serves, one per call
  int key_waits = 0;
};

}  // namespace winreach
