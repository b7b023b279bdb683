// The run-time libraries on Linux. There are no such libraries here: the
// ICMP helper entry points are served by our own code over ICMP datagram
// sockets, and are offered exactly when the kernel lets this user open one.
// "Ws2_32.dll" offers getaddrinfo and freeaddrinfo; "Wship6.dll" is absent.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>

#include "platform/libraries.h"

namespace winreach {

class PosixLibraries : public Libraries {
 public:
  // Whether the kernel lets this user open an ICMP datagram socket of a
  // family; asked whenever a library that needs one is loaded afresh.
  using IcmpProbe = std::function<bool(int family)>;

  PosixLibraries();
  explicit PosixLibraries(IcmpProbe probe);

  LibraryHandle Load(std::wstring_view file_name) override;
  void* GetProcAddress(LibraryHandle library, const char* name) override;
  bool Free(LibraryHandle library) override;

  // The uses held of a library, by its lower-case file name.
  int UsesOf(std::wstring_view file_name) const;

 private:
  struct Library {
    std::wstring file_name;  // lower case, with the extension
    int icmp_family;         // the ICMP socket it needs, or 0
    std::map<std::string, void*> entry_points;
    int uses = 0;
  };

  Library* Find(LibraryHandle handle);

  IcmpProbe probe_;
  std::array<Library, 3> libraries_;
};

}  // namespace winreach
