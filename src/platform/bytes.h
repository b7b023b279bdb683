// Reading and writing bytes that come from or go to the network, in either
// byte order. Every read and write is checked against the bytes there are;
// the first one that does not fit fails the reader or writer for good, so a
// parser may read a whole structure and ask ok() once at the end. After a
// failure every read yields zero or nothing and every write is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace winreach {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}
  ByteReader(const uint8_t* data, size_t size) : data_(data, data == nullptr ? 0 : size) {}

  bool ok() const { return ok_; }
  size_t offset() const { return offset_; }
  size_t left() const { return ok_ ? data_.size() - offset_ : 0; }
  void Fail() { ok_ = false; }

  uint8_t U8() { return static_cast<uint8_t>(Read(1, false)); }
  uint16_t U16Be() { return static_cast<uint16_t>(Read(2, true)); }
  uint16_t U16Le() { return static_cast<uint16_t>(Read(2, false)); }
  uint32_t U32Be() { return static_cast<uint32_t>(Read(4, true)); }
  uint32_t U32Le() { return static_cast<uint32_t>(Read(4, false)); }
  uint64_t U64Le() { return Read(8, false); }

  // The next `size` bytes, or nothing (and failure) when fewer are left.
  std::span<const uint8_t> Bytes(size_t size) {
    if (!Have(size)) return {};
    const auto part = data_.subspan(offset_, size);
    offset_ += size;
    return part;
  }

  // Copies the next `size` bytes to `out`, or fails and leaves `out` alone.
  bool CopyTo(void* out, size_t size) {
    const auto part = Bytes(size);
    if (!ok_) return false;
    if (size != 0) std::memcpy(out, part.data(), size);
    return true;
  }

  void Skip(size_t size) { Bytes(size); }

 private:
  bool Have(size_t size) {
    if (ok_ && data_.size() - offset_ < size) ok_ = false;
    return ok_;
  }

  uint64_t Read(size_t size, bool big_endian) {
    if (!Have(size)) return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i) {
      const uint64_t byte = data_[offset_ + (big_endian ? i : size - 1 - i)];
      value = value << 8 | byte;
    }
    offset_ += size;
    return value;
  }

  std::span<const uint8_t> data_;
  size_t offset_ = 0;
  bool ok_ = true;
};

// Fills a buffer of fixed size from its start, or appends to a vector that
// grows with every write.
class ByteWriter {
 public:
  explicit ByteWriter(std::span<uint8_t> out) : out_(out) {}
  // A writer that appends to `grow` (a vector given to the constructor
  // above is filled, not grown).
  static ByteWriter AppendTo(std::vector<uint8_t>& grow) {
    ByteWriter writer(grow);
    writer.grow_ = &grow;
    writer.offset_ = grow.size();
    return writer;
  }

  bool ok() const { return ok_; }
  size_t offset() const { return offset_; }

  void U8(uint8_t value) { Write(value, 1, false); }
  void U16Be(uint16_t value) { Write(value, 2, true); }
  void U16Le(uint16_t value) { Write(value, 2, false); }
  void U32Be(uint32_t value) { Write(value, 4, true); }
  void U32Le(uint32_t value) { Write(value, 4, false); }
  void U64Le(uint64_t value) { Write(value, 8, false); }

  void Bytes(std::span<const uint8_t> bytes) {
    if (!Have(bytes.size())) return;
    if (!bytes.empty()) std::memcpy(out_.data() + offset_, bytes.data(), bytes.size());
    offset_ += bytes.size();
  }

 private:
  bool Have(size_t size) {
    if (ok_ && grow_ != nullptr && out_.size() - offset_ < size) {
      grow_->resize(offset_ + size);
      out_ = *grow_;
    }
    if (ok_ && out_.size() - offset_ < size) ok_ = false;
    return ok_;
  }

  void Write(uint64_t value, size_t size, bool big_endian) {
    if (!Have(size)) return;
    for (size_t i = 0; i < size; ++i) {
      const size_t shift = 8 * (big_endian ? size - 1 - i : i);
      out_[offset_ + i] = static_cast<uint8_t>(value >> shift);
    }
    offset_ += size;
  }

  std::span<uint8_t> out_;
  std::vector<uint8_t>* grow_ = nullptr;
  size_t offset_ = 0;
  bool ok_ = true;
};

}  // namespace winreach
