#include "platform/fake/fake_registry.h"

#include <cstring>

#include "platform/format.h"

namespace winreach {

uint32_t FakeRegistry::ConnectRegistry(std::wstring_view machine, RegistryKey root,
                                       RegistryKey* result) {
  log.push_back(L"connect " + std::wstring(machine) +
                (root == LocalMachineRoot() ? L" HKLM" : L" ?"));
  if (connect_status != 0 && !connect_gives_handle_with_error) return connect_status;
  *result = reinterpret_cast<RegistryKey>(next_++);
  open_[*result] = L"";
  return connect_status;
}

uint32_t FakeRegistry::OpenKey(RegistryKey key, std::wstring_view sub_key, uint32_t,
                               uint32_t access, RegistryKey* result) {
  log.push_back(L"open " + std::wstring(sub_key) + L" " + Hex8(access));
  if (!open_.count(key)) return 6;
  const auto it = keys.find(std::wstring(sub_key));
  if (it == keys.end()) return 2;
  if (it->second.open_status != 0) return it->second.open_status;
  const auto refused = it->second.refused.find(access);
  if (refused != it->second.refused.end()) return refused->second;
  *result = reinterpret_cast<RegistryKey>(next_++);
  open_[*result] = std::wstring(sub_key);
  return 0;
}

uint32_t FakeRegistry::QueryValue(RegistryKey key, std::wstring_view value_name, uint32_t* type,
                                  uint8_t* data, uint32_t* size) {
  log.push_back(L"query " + std::wstring(value_name));
  query_sizes.push_back(*size);
  const auto open = open_.find(key);
  if (open == open_.end()) return 6;
  const Key& entry = keys.at(open->second);
  const auto value = entry.values.find(std::wstring(value_name));
  if (value == entry.values.end()) return 2;
  if (type) *type = 1;
  const auto needed = static_cast<uint32_t>(value->second.size());
  if (needed > *size) {
    *size = needed;
    return 234;
  }
  std::memcpy(data, value->second.data(), needed);
  *size = needed;
  return 0;
}

uint32_t FakeRegistry::CloseKey(RegistryKey key) {
  const auto open = open_.find(key);
  if (open == open_.end()) {
    log.push_back(L"close ?");
    return 6;
  }
  log.push_back(L"close " + (open->second.empty() ? std::wstring(L"root") : open->second));
  open_.erase(open);
  return 0;
}

std::vector<uint8_t> WideValue(std::wstring_view text) {
  std::vector<uint8_t> data;
  for (wchar_t c : text) {
    data.push_back(static_cast<uint8_t>(c & 0xFF));
    data.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

}  // namespace winreach
