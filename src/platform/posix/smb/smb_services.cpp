#include "platform/posix/last_error.h"
#include "platform/posix/smb/smb_areas.h"
#include "rpc/svcctl.h"
#include "rpc/winreg.h"
#include "platform/status_codes.h"

namespace winreach {

ServiceHandle SmbServices::OpenManager(std::wstring_view machine, const wchar_t* database,
                                       uint32_t access) {
  auto manager = std::make_unique<Manager>();
  uint32_t error =
      OpenBoundPipe(session_, ServerOfMachineName(machine), "svcctl", rpc::kSvcctl, &manager->svcctl);
  // The service manager speaks of an unreachable server as RPC does.
  if (error == status::kBadNetPath) error = status::kRpcServerUnavailable;
  if (error != 0) {
    SetThreadLastError(error);
    return nullptr;
  }
  const std::u16string database_name = database ? rpc::Utf16FromWide(database) : u"";
  const std::u16string_view database_view = database_name;
  const auto request = rpc::ROpenSCManagerWRequest(rpc::Utf16FromWide(machine),
                                                   database ? &database_view : nullptr, access);
  std::vector<uint8_t> answer;
  error = manager->svcctl.client->Call(rpc::kROpenSCManagerW, request, &answer);
  uint32_t status = 0;
  if (error == 0 && !rpc::ParseHandleResponse(answer, &manager->handle, &status)) {
    error = status::kRpcProtocolError;
  }
  if (error == 0 && status != 0) error = status;
  if (error == 0 && manager->handle.IsNull()) error = status::kRpcProtocolError;
  if (error != 0) {
    SetThreadLastError(error);
    return nullptr;
  }
  return managers_.Add(std::move(manager));
}

bool SmbServices::Close(ServiceHandle handle) {
  const std::unique_ptr<Manager> manager = managers_.Take(handle);
  if (manager == nullptr) {
    SetThreadLastError(status::kInvalidHandle);
    return false;
  }
  std::vector<uint8_t> answer;
  uint32_t error = manager->svcctl.client->Call(
      rpc::kRCloseServiceHandle, rpc::RCloseServiceHandleRequest(manager->handle), &answer);
  uint32_t status = 0;
  rpc::ContextHandle closed;
  if (error == 0 && !rpc::ParseHandleResponse(answer, &closed, &status)) {
    error = status::kRpcProtocolError;
  }
  if (error == 0) error = status;
  if (error != 0) {
    SetThreadLastError(error);
    return false;
  }
  return true;
}

}  // namespace winreach
