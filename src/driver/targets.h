// The computers of a run of many: names from the command line and from a
// list read as a stream, each checked once however often it appears (in
// any case), and the computers that a record file already holds.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/local_file.h"

namespace winreach {

// The names met so far, each kept as a 64-bit hash of its lower-case form:
// a list of a million names costs 16 MiB at most, not the names themselves.
// Two names whose hashes collide (about one chance in 10^7 among a million
// names) are taken for one.
class SeenNames {
 public:
  // True when `name` was not met before; it is met from now on.
  bool Insert(std::wstring_view name);
  bool Contains(std::wstring_view name) const;
  size_t size() const { return count_; }

 private:
  static uint64_t Key(std::wstring_view name);
  size_t Slot(uint64_t key) const;
  void Grow();

  std::vector<uint64_t> slots_;  // 0: empty; a key of 0 is stored as 1
  size_t count_ = 0;
};

// Splits a stream of bytes into lines, a buffer's worth at a time. A line
// longer than `most` bytes is read to its end and given as too long.
class LineReader {
 public:
  LineReader(LocalFile& file, size_t most) : file_(file), most_(most) {}

  struct Line {
    std::string text;   // without its end ("\n" or "\r\n")
    bool whole = true;  // ended by a line feed (else the end of the file)
    bool too_long = false;
  };
  std::optional<Line> Next();

  // The bytes of the lines given so far, with their ends.
  uint64_t consumed() const { return consumed_; }

 private:
  bool Fill();

  LocalFile& file_;
  size_t most_;
  std::string buffer_;
  size_t start_ = 0;
  bool end_ = false;
  uint64_t consumed_ = 0;
};

// The names of the run, in order: those given as arguments, then the list's
// lines (UTF-8, blank lines and lines starting with '#' skipped, spaces
// around a name dropped), each name met for the first time only.
class TargetReader {
 public:
  TargetReader(std::vector<std::wstring> names, LocalFile* list, SeenNames& seen);

  struct Target {
    std::wstring name;
    bool too_long = false;  // longer than a computer's name can be
  };
  std::optional<Target> Next();

 private:
  std::vector<std::wstring> names_;
  size_t next_name_ = 0;
  std::optional<LineReader> lines_;
  SeenNames& seen_;
};

// UTF-8 bytes as text; a byte that is not UTF-8 becomes U+FFFD.
std::wstring DecodeUtf8Text(std::string_view bytes);

// The target of a complete record: the "target" of a JSON document as a
// --json run writes it, or nothing for any other line.
std::optional<std::wstring> RecordTarget(std::string_view line);

// Reads a record file (JSON Lines) from its start: every complete record's
// target goes into `seen`. Returns the length of the file up to the end of
// its last whole line; what follows is a record torn by a killed run.
uint64_t ReadRecords(LocalFile& file, SeenNames& seen, size_t* records);

}  // namespace winreach
