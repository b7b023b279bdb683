// The console: standard output, standard input and the key read of the
// closing pause.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace winreach {

class Console {
 public:
  virtual ~Console() = default;

  // Writes one wide message whole, in one call.
  virtual void Write(std::wstring_view message) = 0;

  // Writes one 8-bit message whole, in one call, byte for byte.
  virtual void Write8(std::string_view message) = 0;

  // Writes a diagnostic about the program's own use to standard error.
  virtual void WriteError(std::wstring_view message) = 0;

  // Reads one whitespace-delimited word from standard input. Keeps at most
  // `max_chars` characters of it in `word` and consumes the rest of the word;
  // `*length` receives the word's full length (capped where reading stops).
  // False when nothing could be read (end of input, read error).
  virtual bool ReadWord(std::wstring* word, size_t max_chars, size_t* length) = 0;

  // Waits for one key press without echo; returns at once without a console.
  virtual void WaitForKey() = 0;
};

}  // namespace winreach
