// A file on this computer: the list of computers a run reads and the record
// file it appends to (--targets, --resume). Standard input stands in for a
// list named "-".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace winreach {

class LocalFile {
 public:
  virtual ~LocalFile() = default;

  // Reads up to `size` bytes; the count read, 0 at the end, -1 on an error.
  virtual long Read(char* buffer, size_t size) = 0;

  // Appends `bytes` at the end of the file in one write, so that a run
  // killed at any moment leaves at most its last line torn. False when not
  // all of it was written.
  virtual bool Append(std::string_view bytes) = 0;

  // Cuts the file to its first `length` bytes.
  virtual bool Truncate(uint64_t length) = 0;
};

enum class LocalFileMode {
  kRead,             // an existing file, read from its start
  kReadAndAppend,    // created when missing; read from its start, appended to at its end
  kStandardInput,    // the process's standard input; the path is unused
};

}  // namespace winreach
