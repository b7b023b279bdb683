#include "checks/admin_share_and_scm.h"

#include "platform/format.h"

namespace winreach {

std::wstring AdminSharePath(std::wstring_view machine_path) {
  return std::wstring(machine_path) + L"\\ADMIN$\\system32\\ntoskrnl.exe";
}

CheckOutcome CheckAdminShare(Platform& platform, std::wstring_view machine_path) {
  const Stopwatch stopwatch(platform.system());
  const FileHandle file =
      platform.files().Open(AdminSharePath(machine_path), kGenericRead,
                            kFileShareRead | kFileShareWrite, kOpenExisting, 0);
  if (file == InvalidFileHandle()) {
    const uint32_t error = platform.system().LastError();
    platform.console().Write(L"Remote access to the ADMIN$ share failed! Error " + Hex8(error) +
                             L"\n");
    return stopwatch.Failed("admin_share", error);
  }
  platform.console().Write(L"Remote access to the ADMIN$ share OK!\n");
  platform.files().Close(file);
  return stopwatch.Passed("admin_share");
}

CheckOutcome CheckServiceManager(Platform& platform, std::wstring_view machine_path) {
  const Stopwatch stopwatch(platform.system());
  const ServiceHandle manager = platform.services().OpenManager(machine_path, nullptr, kGenericAll);
  if (manager == nullptr) {
    const uint32_t error = platform.system().LastError();
    platform.console().Write(L"Unable to connect to the SCM! Error " + Hex8(error) + L"\n");
    return stopwatch.Failed("scm", error);
  }
  platform.services().Close(manager);
  platform.console().Write(L"Connection to the SCM is OK!\n");
  return stopwatch.Passed("scm");
}

}  // namespace winreach
