#include "platform/posix/smb/smb_services.h"

#include "platform/format.h"
#include "platform/posix/last_error.h"
#include "platform/status_codes.h"
#include "rpc/svcctl.h"

namespace winreach {

ServiceHandle SmbServices::OpenManager(std::wstring_view machine, const wchar_t* database,
                                       uint32_t access) {
  auto manager = std::make_unique<Manager>();
  uint32_t error = OpenBoundPipe(session_, machine, kSvcctlPipe, &manager->svcctl);
  if (error == 0) {
    const std::u16string database_name = database ? Utf16FromWide(database) : u"";
    const std::u16string_view database_view = database_name;
    const auto request = rpc::ROpenSCManagerWRequest(Utf16FromWide(machine),
                                                     database ? &database_view : nullptr, access);
    error = manager->svcctl.CallForHandle(rpc::kROpenSCManagerW, request, &manager->handle);
    if (error == 0 && manager->handle.IsNull()) error = status::kRpcProtocolError;
  }
  // The service manager speaks of an unreachable server as RPC does, also
  // where the pipe, opened ahead, finds the server gone only at this call.
  if (error == status::kBadNetPath) error = status::kRpcServerUnavailable;
  if (error != 0) {
    SetThreadLastError(error);
    return nullptr;
  }
  return managers_.Add(std::move(manager));
}

bool SmbServices::Close(ServiceHandle handle) {
  // The manager's pipe closes with it, and the server lets go of the
  // handle with the pipe: a close call of its own would cost a round trip
  // and tell nothing.
  if (managers_.Take(handle) == nullptr) {
    SetThreadLastError(status::kInvalidHandle);
    return false;
  }
  return true;
}

}  // namespace winreach
