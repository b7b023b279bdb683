// The console on Windows: WriteConsoleW when a standard handle is a console,
// UTF-8 through WriteFile when it is redirected to a file or a pipe.
#pragma once

#include "platform/console.h"
#include "platform/native_types.h"

namespace winreach {

class Win32Console : public Console {
 public:
  // The process's standard handles, taken when each call is made.
  Win32Console() = default;
  // Fixed handles, for tests.
  Win32Console(HANDLE input, HANDLE output, HANDLE error);

  void Write(std::wstring_view message) override;
  void Write8(std::string_view message) override;
  void WriteError(std::wstring_view message) override;
  bool ReadWord(std::wstring* word, size_t max_chars, size_t* length) override;
  void WaitForKey() override;

 private:
  HANDLE Input() const;
  HANDLE Output() const;
  HANDLE Error() const;

  bool fixed_ = false;
  HANDLE input_ = nullptr;
  HANDLE output_ = nullptr;
  HANDLE error_ = nullptr;
};

// Redirected input: UTF-8 when the bytes are valid UTF-8, else the system's
// 8-bit code page, which is what a console program's pipe usually carries.
std::wstring DecodeRedirectedInput(std::string_view bytes);

}  // namespace winreach
