#include "checks/admin_share_and_scm.h"

#include "platform/format.h"

namespace winreach {

std::wstring AdminSharePath(std::wstring_view machine_path) {
  return std::wstring(machine_path) + L"\\ADMIN$\\system32\\ntoskrnl.exe";
}

void CheckAdminShare(Platform& platform, std::wstring_view machine_path) {
  const FileHandle file =
      platform.files().Open(AdminSharePath(machine_path), kGenericRead,
                            kFileShareRead | kFileShareWrite, kOpenExisting, 0);
  if (file == InvalidFileHandle()) {
    const uint32_t error = platform.system().LastError();
    platform.console().Write(L"Remote access to the ADMIN$ share failed! Error " + Hex8(error) +
                             L"\n");
    return;
  }
  platform.console().Write(L"Remote access to the ADMIN$ share OK!\n");
  platform.files().Close(file);
}

void CheckServiceManager(Platform& platform, std::wstring_view machine_path) {
  const ServiceHandle manager = platform.services().OpenManager(machine_path, nullptr, kGenericAll);
  if (manager == nullptr) {
    const uint32_t error = platform.system().LastError();
    platform.console().Write(L"Unable to connect to the SCM! Error " + Hex8(error) + L"\n");
    return;
  }
  platform.services().Close(manager);
  platform.console().Write(L"Connection to the SCM is OK!\n");
}

}  // namespace winreach
