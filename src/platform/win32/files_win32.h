// Files through CreateFileW and CloseHandle.
#pragma once

#include "platform/files.h"

namespace winreach {

class Win32Files : public Files {
 public:
  FileHandle Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                  uint32_t disposition, uint32_t flags) override;
  bool Close(FileHandle file) override;
};

}  // namespace winreach
