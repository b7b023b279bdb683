#include "platform/fake/fake_libraries.h"

namespace winreach {

namespace {

std::wstring NameOf(const std::map<std::wstring, FakeLibraries::Library>& libraries,
                    LibraryHandle handle) {
  for (const auto& [name, library] : libraries) {
    if (&library == handle) return name;
  }
  return L"?";
}

}  // namespace

LibraryHandle FakeLibraries::Load(std::wstring_view file_name) {
  loads.emplace_back(file_name);
  const auto it = libraries.find(std::wstring(file_name));
  if (it == libraries.end()) return nullptr;
  ++it->second.uses;
  return &it->second;
}

void* FakeLibraries::GetProcAddress(LibraryHandle library, const char* name) {
  lookups.emplace_back(name);
  auto* entry = static_cast<Library*>(library);
  const auto it = entry->entry_points.find(name);
  if (it != entry->entry_points.end()) return it->second;
  if (on_missing_entry_point) on_missing_entry_point(name);
  return nullptr;
}

bool FakeLibraries::Free(LibraryHandle library) {
  frees.push_back(NameOf(libraries, library));
  auto* entry = static_cast<Library*>(library);
  if (entry->free_fails || entry->uses == 0) return false;
  --entry->uses;
  return true;
}

}  // namespace winreach
