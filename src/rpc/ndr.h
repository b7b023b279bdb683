// NDR 2.0 (little-endian) marshalling for the few calls this tool makes.
// Alignment is counted from the start of the stub data, as NDR requires.
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

namespace winreach::rpc {

// An RPC context handle (policy handle) as it travels: 4 bytes of
// attributes and a 16-byte UUID. All zeros is the null handle.
struct ContextHandle {
  std::array<uint8_t, 20> bytes{};
  bool IsNull() const;
  bool operator==(const ContextHandle&) const = default;
};

// The answer of a call whose outputs are one context handle and a status
// (winreg's OpenLocalMachine, BaseRegOpenKey, BaseRegCloseKey;
// svcctl's open and close).
bool ParseHandleResponse(std::span<const uint8_t> stub, ContextHandle* handle, uint32_t* status);

// UTF-16 code units of a wide string, without a terminator.
std::u16string Utf16FromWide(std::wstring_view text);

class NdrWriter {
 public:
  void Align(size_t alignment);
  void U8(uint8_t value);
  void U16(uint16_t value);
  void U32(uint32_t value);
  void Bytes(std::span<const uint8_t> bytes);

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
  explicit NdrReader(std::span<const uint8_t> data) : data_(data) {}

  bool ok() const { return ok_; }
  // True when the reader is still good and has consumed every byte.
  bool AtEnd() const { return ok_ && offset_ == data_.size(); }
  size_t remaining() const { return ok_ ? data_.size() - offset_ : 0; }

  void Align(size_t alignment);
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  // Copies `size` bytes out, or fails without copying.
  bool Bytes(uint8_t* out, size_t size);
  void Skip(size_t size);

  // A pointer's referent id: zero for null.
  uint32_t Pointer() { return U32(); }

  // A conformant varying [string] of UTF-16 units, its header checked
  // (offset zero, actual count within the maximum and within the data).
  // The trailing terminator, when present, is dropped.
  std::u16string String();

  ContextHandle Handle();

  // Marks the data as malformed.
  void Fail() { ok_ = false; }

 private:
  bool Have(size_t size);

  std::span<const uint8_t> data_;
  size_t offset_ = 0;
  bool ok_ = true;
};

// A wide string from UTF-16 units; lone surrogates become U+FFFD.
std::wstring WideFromUtf16(std::u16string_view units);

}  // namespace winreach::rpc
