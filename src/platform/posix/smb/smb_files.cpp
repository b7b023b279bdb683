#include "platform/posix/smb/smb_files.h"

#include "platform/posix/last_error.h"
#include "platform/status_codes.h"

namespace winreach {

namespace {

// Access that reads and never changes anything: generic read and execute,
// the read rights of a file, READ_CONTROL and SYNCHRONIZE.
constexpr uint32_t kReadOnlyAccess = 0x80000000 | 0x20000000 | 0x0001 | 0x0008 | 0x0020 |
                                     0x0080 | 0x00020000 | 0x00100000;

}  // namespace

SmbFiles::~SmbFiles() {
  for (FileHandle file : files_) session_.CloseFile(reinterpret_cast<uintptr_t>(file));
}

FileHandle SmbFiles::Open(std::wstring_view path, uint32_t access, uint32_t, uint32_t disposition,
                          uint32_t) {
  // This platform only ever reads what already exists.
  if ((access & ~kReadOnlyAccess) != 0 || disposition != kOpenExisting) {
    SetThreadLastError(status::kAccessDenied);
    return InvalidFileHandle();
  }
  const auto unc = ParseUncPath(path);
  if (!unc) {
    SetThreadLastError(path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/')
                           ? status::kBadPathname
                           : status::kPathNotFound);
    return InvalidFileHandle();
  }
  uint64_t id = 0;
  if (const uint32_t error = session_.OpenFile(*unc, access, &id); error != 0) {
    SetThreadLastError(error);
    return InvalidFileHandle();
  }
  const auto file = reinterpret_cast<FileHandle>(static_cast<uintptr_t>(id));
  files_.insert(file);
  return file;
}

bool SmbFiles::Close(FileHandle file) {
  if (files_.erase(file) == 0) {
    SetThreadLastError(status::kInvalidHandle);
    return false;
  }
  session_.CloseFile(reinterpret_cast<uintptr_t>(file));
  return true;
}

}  // namespace winreach
