#include "platform/win32/local_file_win32.h"

#include <string>

#include "platform/native_types.h"

namespace winreach {

namespace {

class Win32LocalFile : public LocalFile {
 public:
  Win32LocalFile(HANDLE file, bool owned) : file_(file), owned_(owned) {}
  ~Win32LocalFile() override {
    if (owned_) ::CloseHandle(file_);
  }
  Win32LocalFile(const Win32LocalFile&) = delete;
  Win32LocalFile& operator=(const Win32LocalFile&) = delete;

  long Read(char* buffer, size_t size) override {
    DWORD read = 0;
    const DWORD wanted = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!::ReadFile(file_, buffer, wanted, &read, nullptr)) {
      // A pipe whose writer has gone is the end of the list.
      return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<long>(read);
  }

  bool Append(std::string_view bytes) override {
    // An offset of all ones writes at the end of the file, whatever another
    // writer added meanwhile.
    while (!bytes.empty()) {
      const DWORD wanted =
          bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      OVERLAPPED at_end{};
      at_end.Offset = 0xFFFFFFFF;
      at_end.OffsetHigh = 0xFFFFFFFF;
      if (!::WriteFile(file_, bytes.data(), wanted, &written, &at_end) || written == 0) {
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  bool Truncate(uint64_t length) override {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(length);
    return ::SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file_);
  }

 private:
  HANDLE file_;
  bool owned_;
};

}  // namespace

std::unique_ptr<LocalFile> OpenWin32LocalFile(std::wstring_view path, LocalFileMode mode) {
  if (mode == LocalFileMode::kStandardInput) {
    return std::make_unique<Win32LocalFile>(::GetStdHandle(STD_INPUT_HANDLE), false);
  }
  const std::wstring name(path);
  const bool append = mode == LocalFileMode::kReadAndAppend;
  const DWORD access = append ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  HANDLE file = ::CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              append ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32LocalFile>(file, true);
}

bool ReplaceWin32LocalFile(std::wstring_view path, std::string_view bytes) {
  // Beside the file, so that the move stays on one volume and replaces it
  // at once; the process id keeps two runs from writing one temporary file.
  const std::wstring target(path);
  const std::wstring temporary = target + L".tmp" + std::to_wstring(::GetCurrentProcessId());
  HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = true;
  while (written && !bytes.empty()) {
    const DWORD wanted =
        bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    DWORD done = 0;
    written = ::WriteFile(file, bytes.data(), wanted, &done, nullptr) && done != 0;
    bytes.remove_prefix(done);
  }
  written = written && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  if (written && ::MoveFileExW(temporary.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  ::DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace winreach
