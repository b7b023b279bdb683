// Feeds arbitrary bytes to the reading of a --resume record file, as a
// stream of small reads: every record's target, the lines between buffers,
// the torn end. The whole length it keeps never exceeds the file, and a
// line it takes for a record gives back a target.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/targets.h"

namespace {

class BytesFile : public winreach::LocalFile {
 public:
  BytesFile(const uint8_t* data, size_t size, size_t step) : data_(data), size_(size), step_(step) {}
  long Read(char* buffer, size_t size) override {
    const size_t n = std::min({size, step_, size_ - at_});
    std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return static_cast<long>(n);
  }
  bool Append(std::string_view) override { return false; }
  bool Truncate(uint64_t) override { return false; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t step_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t step = 1 + data[0] % 64;
  ++data;
  --size;
  BytesFile file(data, size, step);
  winreach::SeenNames seen;
  size_t records = 0;
  const uint64_t whole = winreach::ReadRecords(file, seen, &records);
  if (whole > size) __builtin_trap();
  if (whole > 0 && data[whole - 1] != '\n') __builtin_trap();
  if (seen.size() > records) __builtin_trap();
  // One line on its own, as the record parser sees it.
  winreach::RecordTarget(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
