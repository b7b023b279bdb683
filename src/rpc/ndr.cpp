#include "rpc/ndr.h"

#include <algorithm>
#include <cstring>

namespace winreach::rpc {

bool ContextHandle::IsNull() const {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

std::u16string Utf16FromWide(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t c : text) {
    auto code = static_cast<uint32_t>(c);
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF && sizeof(wchar_t) == 4)) {
      code = 0xFFFD;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
  }
  return units;
}

std::wstring WideFromUtf16(std::u16string_view units) {
  std::wstring text;
  text.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t unit = units[i];
    if constexpr (sizeof(wchar_t) == 2) {
      text.push_back(static_cast<wchar_t>(unit));
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      const uint32_t low = units[++i];
      text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      text.push_back(static_cast<wchar_t>(0xFFFD));
    } else {
      text.push_back(static_cast<wchar_t>(unit));
    }
  }
  return text;
}

// --- writer ---

void NdrWriter::Align(size_t alignment) {
  while (data_.size() % alignment != 0) data_.push_back(0);
}

void NdrWriter::U8(uint8_t value) { data_.push_back(value); }

void NdrWriter::U16(uint16_t value) {
  Align(2);
  data_.push_back(static_cast<uint8_t>(value));
  data_.push_back(static_cast<uint8_t>(value >> 8));
}

void NdrWriter::U32(uint32_t value) {
  Align(4);
  for (int shift = 0; shift < 32; shift += 8) data_.push_back(static_cast<uint8_t>(value >> shift));
}

void NdrWriter::Bytes(std::span<const uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
}

void NdrWriter::Referent() {
  U32(next_referent_);
  next_referent_ += 4;
}

void NdrWriter::String(std::u16string_view text) {
  const auto count = static_cast<uint32_t>(text.size() + 1);
  U32(count);  // maximum count
  U32(0);      // offset
  U32(count);  // actual count
  for (char16_t unit : text) U16(unit);
  U16(0);
}

void NdrWriter::UniqueString(std::u16string_view text) {
  Referent();
  String(text);
}

void NdrWriter::CountedString(std::u16string_view text) {
  const auto bytes = static_cast<uint16_t>((text.size() + 1) * 2);
  U16(bytes);  // Length
  U16(bytes);  // MaximumLength
  Referent();
  String(text);
}

void NdrWriter::Handle(const ContextHandle& handle) {
  Align(4);
  Bytes(handle.bytes);
}

// --- reader ---

bool NdrReader::Have(size_t size) {
  if (!ok_ || size > data_.size() - offset_) {
    ok_ = false;
    return false;
  }
  return true;
}

void NdrReader::Align(size_t alignment) {
  const size_t pad = (alignment - offset_ % alignment) % alignment;
  Skip(pad);
}

void NdrReader::Skip(size_t size) {
  if (Have(size)) offset_ += size;
}

uint8_t NdrReader::U8() {
  if (!Have(1)) return 0;
  return data_[offset_++];
}

uint16_t NdrReader::U16() {
  Align(2);
  if (!Have(2)) return 0;
  const uint16_t value = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
  offset_ += 2;
  return value;
}

uint32_t NdrReader::U32() {
  Align(4);
  if (!Have(4)) return 0;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | data_[offset_ + i];
  offset_ += 4;
  return value;
}

bool NdrReader::Bytes(uint8_t* out, size_t size) {
  if (!Have(size)) return false;
  if (size != 0) std::memcpy(out, data_.data() + offset_, size);
  offset_ += size;
  return true;
}

std::u16string NdrReader::String() {
  const uint32_t maximum = U32();
  const uint32_t offset = U32();
  const uint32_t actual = U32();
  if (!ok_ || offset != 0 || actual > maximum || actual > remaining() / 2) {
    ok_ = false;
    return {};
  }
  std::u16string units;
  units.reserve(actual);
  for (uint32_t i = 0; i < actual; ++i) units.push_back(static_cast<char16_t>(U16()));
  if (!units.empty() && units.back() == 0) units.pop_back();
  return units;
}

ContextHandle NdrReader::Handle() {
  ContextHandle handle;
  Align(4);
  if (!Bytes(handle.bytes.data(), handle.bytes.size())) return {};
  return handle;
}

bool ParseHandleResponse(std::span<const uint8_t> stub, ContextHandle* handle, uint32_t* status) {
  NdrReader ndr(stub);
  *handle = ndr.Handle();
  *status = ndr.U32();
  if (!ndr.ok()) {
    *handle = {};
    return false;
  }
  return true;
}

}  // namespace winreach::rpc
