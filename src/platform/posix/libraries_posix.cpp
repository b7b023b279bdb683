#include "platform/posix/libraries_posix.h"

#include <sys/socket.h>

#include <cwctype>

#include "platform/posix/address_info_posix.h"
#include "platform/posix/icmp_provider.h"
#include "platform/posix/last_error.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

template <typename Function>
void* EntryPoint(Function function) {
  return reinterpret_cast<void*>(function);
}

// File names compare as Windows compares them: without regard to case, and
// ".dll" understood when no extension is given.
std::wstring CanonicalFileName(std::wstring_view file_name) {
  std::wstring name;
  for (wchar_t c : file_name) name.push_back(static_cast<wchar_t>(std::towlower(c)));
  if (name.find(L'.') == std::wstring::npos) name += L".dll";
  return name;
}

}  // namespace

PosixLibraries::PosixLibraries() : PosixLibraries(&icmp_provider::KernelOffersIcmpSockets) {}

PosixLibraries::PosixLibraries(IcmpProbe probe)
    : probe_(std::move(probe)),
      libraries_{{
          {L"icmp.dll",
           AF_INET,
           {{"IcmpCreateFile", EntryPoint(&icmp_provider::IcmpCreateFile)},
            {"IcmpSendEcho", EntryPoint(&icmp_provider::IcmpSendEcho)},
            {"IcmpCloseHandle", EntryPoint(&icmp_provider::IcmpCloseHandle)}}},
          {L"ws2_32.dll",
           0,
           {{"getaddrinfo", EntryPoint(&address_info::GetAddrInfo)},
            {"freeaddrinfo", EntryPoint(&address_info::FreeAddrInfo)}}},
          {L"iphlpapi.dll",
           AF_INET6,
           {{"Icmp6CreateFile", EntryPoint(&icmp_provider::Icmp6CreateFile)},
            {"Icmp6SendEcho2", EntryPoint(&icmp_provider::Icmp6SendEcho2)},
            {"IcmpCreateFile", EntryPoint(&icmp_provider::IcmpCreateFile)},
            {"IcmpSendEcho", EntryPoint(&icmp_provider::IcmpSendEcho)},
            {"IcmpCloseHandle", EntryPoint(&icmp_provider::IcmpCloseHandle)}}},
      }} {}

LibraryHandle PosixLibraries::Load(std::wstring_view file_name) {
  const std::wstring name = CanonicalFileName(file_name);
  for (Library& library : libraries_) {
    if (library.file_name != name) continue;
    // A library held already is not probed again: its entry points stay valid
    // until its last use is released.
    if (library.uses == 0 && library.icmp_family != 0 && !probe_(library.icmp_family)) break;
    ++library.uses;
    return &library;
  }
  SetThreadLastError(status::kModuleNotFound);
  return nullptr;
}

PosixLibraries::Library* PosixLibraries::Find(LibraryHandle handle) {
  for (Library& library : libraries_) {
    if (&library == handle && library.uses > 0) return &library;
  }
  return nullptr;
}

void* PosixLibraries::GetProcAddress(LibraryHandle handle, const char* name) {
  Library* library = Find(handle);
  if (library == nullptr) {
    SetThreadLastError(status::kInvalidHandle);
    return nullptr;
  }
  const auto it = name == nullptr ? library->entry_points.end() : library->entry_points.find(name);
  if (it == library->entry_points.end()) {
    SetThreadLastError(status::kProcedureNotFound);
    return nullptr;
  }
  return it->second;
}

bool PosixLibraries::Free(LibraryHandle handle) {
  Library* library = Find(handle);
  if (library == nullptr) {
    SetThreadLastError(status::kInvalidHandle);
    return false;
  }
  --library->uses;
  return true;
}

int PosixLibraries::UsesOf(std::wstring_view file_name) const {
  const std::wstring name = CanonicalFileName(file_name);
  for (const Library& library : libraries_) {
    if (library.file_name == name) return library.uses;
  }
  return 0;
}

}  // namespace winreach
