// Libraries loaded at run time: LoadLibraryW, GetProcAddress, FreeLibrary.
#pragma once

#include "platform/libraries.h"

namespace winreach {

class Win32Libraries : public Libraries {
 public:
  LibraryHandle Load(std::wstring_view file_name) override;
  void* GetProcAddress(LibraryHandle library, const char* name) override;
  bool Free(LibraryHandle library) override;
};

}  // namespace winreach
