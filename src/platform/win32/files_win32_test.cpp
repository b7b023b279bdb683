#include "platform/win32/files_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/native_types.h"

namespace winreach {
namespace {

std::wstring TemporaryFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, path);
  return std::wstring(path, length);
}

TEST(Win32FilesTest, OpensAnExistingFileForReadingOnly) {
  const std::wstring path = TemporaryFolder() + L"winreach-files-test.bin";
  const HANDLE created =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  ::CloseHandle(created);

  Win32Files files;
  const FileHandle file =
      files.Open(path, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting, 0);
  ASSERT_NE(file, InvalidFileHandle());
  DWORD written = 0;
  EXPECT_FALSE(::WriteFile(file, "x", 1, &written, nullptr));
  EXPECT_TRUE(files.Close(file));
  ::DeleteFileW(path.c_str());
}

TEST(Win32FilesTest, MissingFileOrFolderLeavesItsReason) {
  Win32Files files;
  const std::wstring folder = TemporaryFolder();
  EXPECT_EQ(files.Open(folder + L"winreach-no-such-file", kGenericRead, 3, kOpenExisting, 0),
            InvalidFileHandle());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(files.Open(folder + L"winreach-no-such-folder\\ntoskrnl.exe", kGenericRead, 3,
                       kOpenExisting, 0),
            InvalidFileHandle());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace winreach
