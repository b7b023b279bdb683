// NDR 2.0 (little-endian) marshalling for the few calls this tool makes, on
// top of ByteReader and ByteWriter: NDR adds its alignment, counted from the
// start of the stub data as NDR requires, and its constructed types.
// The reader never trusts a length, count or offset: each is checked against
// the bytes that remain before it is used, and any violation makes the
// reader fail for good (ok() turns false and every later read yields zero).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.h"

namespace winreach::rpc {

// An RPC context handle (policy handle) as it travels: 4 bytes of
// attributes and a 16-byte UUID. All zeros is the null handle.
struct ContextHandle {
  std::array<uint8_t, 20> bytes{};
  bool IsNull() const;
  bool operator==(const ContextHandle&) const = default;
};

// The answer of a call whose outputs are one context handle and a status
// (winreg's OpenLocalMachine and BaseRegOpenKey, svcctl's open).
bool ParseHandleResponse(std::span<const uint8_t> stub, ContextHandle* handle, uint32_t* status);

class NdrWriter {
 public:
  void Align(size_t alignment) {
    data_.resize((data_.size() + alignment - 1) / alignment * alignment);
  }
  void U8(uint8_t value) { ByteWriter::AppendTo(data_).U8(value); }
  void U16(uint16_t value) {
    Align(2);
    ByteWriter::AppendTo(data_).U16Le(value);
  }
  void U32(uint32_t value) {
    Align(4);
    ByteWriter::AppendTo(data_).U32Le(value);
  }
  void Bytes(std::span<const uint8_t> bytes) { ByteWriter::AppendTo(data_).Bytes(bytes); }

  // A unique or full pointer's referent id: non-zero, a fresh one per call.
  void Referent();
  void NullPointer() { U32(0); }

  // A conformant varying [string] of UTF-16 units; the terminator is added.
  void String(std::u16string_view text);

  // A top-level [unique, string] wchar_t* parameter: referent and string.
  void UniqueString(std::u16string_view text);

  // RRP_UNICODE_STRING passed by reference: Length and MaximumLength in
  // bytes, both counting the terminator, then the buffer's pointer and the
  // deferred conformant varying array.
  void CountedString(std::u16string_view text);

  void Handle(const ContextHandle& handle);

  const std::vector<uint8_t>& data() const { return data_; }
  std::vector<uint8_t> Take() { return std::move(data_); }

 private:
  std::vector<uint8_t> data_;
  uint32_t next_referent_ = 0x00020000;
};

class NdrReader {
 public:
  explicit NdrReader(std::span<const uint8_t> data) : bytes_(data) {}

  bool ok() const { return bytes_.ok(); }
  // True when the reader is still good and has consumed every byte.
  bool AtEnd() const { return ok() && bytes_.left() == 0; }
  size_t remaining() const { return bytes_.left(); }

  void Align(size_t alignment) { Skip((alignment - bytes_.offset() % alignment) % alignment); }
  uint8_t U8() { return bytes_.U8(); }
  uint16_t U16() {
    Align(2);
    return bytes_.U16Le();
  }
  uint32_t U32() {
    Align(4);
    return bytes_.U32Le();
  }
  // Copies `size` bytes out, or fails without copying.
  bool Bytes(uint8_t* out, size_t size) { return bytes_.CopyTo(out, size); }
  void Skip(size_t size) { bytes_.Skip(size); }

  // A pointer's referent id: zero for null.
  uint32_t Pointer() { return U32(); }

  // A conformant varying [string] of UTF-16 units, its header checked
  // (offset zero, actual count within the maximum and within the data).
  // The trailing terminator, when present, is dropped.
  std::u16string String();

  ContextHandle Handle();

  // Marks the data as malformed.
  void Fail() { bytes_.Fail(); }

 private:
  ByteReader bytes_;
};

}  // namespace winreach::rpc
