#include "platform/fake/fake_system.h"

#include <cwctype>

#include "platform/format.h"

namespace winreach {

std::wstring FakeSystem::UpperCase(std::wstring_view text) {
  std::wstring upper(text);
  for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return upper;
}

// Latin-1 stands in for the code page, for both names.
std::optional<std::string> FakeSystem::ToCodePage(std::wstring_view text, size_t max_bytes) {
  std::optional<std::string> bytes = ByteNameOf(text);
  if (!bytes || bytes->size() > max_bytes) return std::nullopt;
  return bytes;
}

std::optional<std::string> FakeSystem::ToPingName(std::wstring_view text, size_t max_bytes) {
  return ToCodePage(text, max_bytes);
}

std::wstring FakeSystem::FromNetbiosName(std::string_view name) { return FromCodePage(name); }

std::wstring FakeSystem::FromCodePage(std::string_view text) {
  std::wstring wide;
  for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

}  // namespace winreach
