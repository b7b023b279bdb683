// The run-time libraries on Linux. There are no such libraries here: the
// ICMP helper entry points are served by our own code over ICMP datagram
// sockets, and are offered exactly when the kernel lets this user open one.
#pragma once

#include "platform/libraries.h"

namespace winreach {

class PosixLibraries : public Libraries {
 public:
  LibraryHandle Load(std::wstring_view file_name) override;
  void* GetProcAddress(LibraryHandle library, const char* name) override;
  bool Free(LibraryHandle library) override;
};

}  // namespace winreach
