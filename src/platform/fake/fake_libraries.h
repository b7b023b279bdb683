// Scripted run-time libraries: which exist and which entry points they offer.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/libraries.h"

namespace winreach {

class FakeLibraries : public Libraries {
 public:
  LibraryHandle Load(std::wstring_view file_name) override;
  void* GetProcAddress(LibraryHandle library, const char* name) override;
  bool Free(LibraryHandle library) override;

  struct Library {
    std::map<std::string, void*> entry_points;
    int uses = 0;
    bool free_fails = false;
  };

  // Libraries by file name; a name that is absent cannot be loaded.
  std::map<std::wstring, Library> libraries;
  std::vector<std::wstring> loads;        // every Load, in order
  std::vector<std::string> lookups;       // every GetProcAddress, in order
  std::vector<std::wstring> frees;        // every Free, in order

  // Called when a look-up finds nothing, as GetProcAddress then leaves an
  // error code behind (tests store it as the thread's last error).
  std::function<void(const std::string& name)> on_missing_entry_point;
};

}  // namespace winreach
