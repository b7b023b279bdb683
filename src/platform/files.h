// Files, opened by path; a remote path names a file on a share.
#pragma once

#include <cstdint>
#include <string_view>

namespace winreach {

using FileHandle = void*;

inline FileHandle InvalidFileHandle() { return reinterpret_cast<FileHandle>(~uintptr_t{0}); }

inline constexpr uint32_t kGenericRead = 0x80000000;
inline constexpr uint32_t kFileShareRead = 0x1;
inline constexpr uint32_t kFileShareWrite = 0x2;
inline constexpr uint32_t kOpenExisting = 3;

class Files {
 public:
  virtual ~Files() = default;

  // CreateFileW without security attributes or template: a handle, or
  // InvalidFileHandle() with the reason as the thread's last error.
  virtual FileHandle Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                          uint32_t disposition, uint32_t flags) = 0;

  // CloseHandle.
  virtual bool Close(FileHandle file) = 0;
};

}  // namespace winreach
