#include "platform/fake/fake_files.h"

namespace winreach {

FileHandle FakeFiles::Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                           uint32_t disposition, uint32_t flags) {
  opens.push_back({std::wstring(path), access, share_mode, disposition, flags});
  const auto it = refused.find(std::wstring(path));
  if (it != refused.end() || !open_all) {
    system_.SetLastError(it != refused.end() ? it->second : missing_error);
    return InvalidFileHandle();
  }
  handed_out.push_back(reinterpret_cast<FileHandle>(next_++));
  return handed_out.back();
}

bool FakeFiles::Close(FileHandle file) {
  closed.push_back(file);
  return true;
}

}  // namespace winreach
