// A console that keeps what is written to it, in order, until it is played
// onto another console: the console of one computer's run among many, whose
// lines must not interleave with another run's. It reads nothing: there is
// no one to answer a prompt or press a key for a run in the background.
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"

namespace winreach {

class BufferedConsole : public Console {
 public:
  void Write(std::wstring_view message) override {
    pieces_.push_back({Stream::kWide, std::wstring(message), {}});
  }
  void Write8(std::string_view message) override {
    pieces_.push_back({Stream::kEightBit, {}, std::string(message)});
  }
  void WriteError(std::wstring_view message) override {
    pieces_.push_back({Stream::kError, std::wstring(message), {}});
  }
  bool ReadWord(std::wstring* word, size_t, size_t* length) override {
    word->clear();
    *length = 0;
    return false;
  }
  void WaitForKey() override {}

  // Writes everything kept to `console`, each message as it was written,
  // and forgets it.
  void PlayTo(Console& console) {
    for (const Piece& piece : pieces_) {
      switch (piece.stream) {
        case Stream::kWide:
          console.Write(piece.wide);
          break;
        case Stream::kEightBit:
          console.Write8(piece.bytes);
          break;
        case Stream::kError:
          console.WriteError(piece.wide);
          break;
      }
    }
    pieces_.clear();
  }

  bool empty() const { return pieces_.empty(); }

 private:
  enum class Stream { kWide, kEightBit, kError };
  struct Piece {
    Stream stream;
    std::wstring wide;
    std::string bytes;
  };
  std::vector<Piece> pieces_;
};

}  // namespace winreach
