// Scripted files: which paths open, and the error code of those that do not.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"

namespace winreach {

class FakeFiles : public Files {
 public:
  explicit FakeFiles(System& system) : system_(system) {}

  FileHandle Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                  uint32_t disposition, uint32_t flags) override;
  bool Close(FileHandle file) override;

  struct OpenCall {
    std::wstring path;
    uint32_t access, share_mode, disposition, flags;
  };

  std::map<std::wstring, uint32_t> refused;  // path -> error code
  bool open_all = true;                       // paths not in `refused` open
  uint32_t missing_error = 2;                 // when open_all is false
  std::vector<OpenCall> opens;
  std::vector<FileHandle> closed;
  std::vector<FileHandle> handed_out;

 private:
  System& system_;
  uintptr_t next_ = 0x2000;
};

}  // namespace winreach
