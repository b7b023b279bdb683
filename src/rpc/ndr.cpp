#include "rpc/ndr.h"

#include <algorithm>

namespace winreach::rpc {

bool ContextHandle::IsNull() const {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

// --- writer ---

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

std::u16string NdrReader::String() {
  const uint32_t maximum = U32();
  const uint32_t offset = U32();
  const uint32_t actual = U32();
  if (!ok() || offset != 0 || actual > maximum || actual > remaining() / 2) {
    Fail();
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
  if (!ndr.ok()) *handle = {};
  return ndr.ok();
}

}  // namespace winreach::rpc
