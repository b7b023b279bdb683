// Libraries loaded at run time and the entry points taken from them.
#pragma once

#include <string_view>

namespace winreach {

using LibraryHandle = void*;

class Libraries {
 public:
  virtual ~Libraries() = default;

  // LoadLibraryW: a handle, or null. Loading a held library counts one more
  // use and returns the same handle.
  virtual LibraryHandle Load(std::wstring_view file_name) = 0;

  // GetProcAddress: the entry point, or null when the library lacks it.
  virtual void* GetProcAddress(LibraryHandle library, const char* name) = 0;

  // FreeLibrary: true when the use was released.
  virtual bool Free(LibraryHandle library) = 0;
};

}  // namespace winreach
