#include "platform/posix/smb/smb_registry.h"

#include <cstring>

#include "platform/format.h"
#include "platform/status_codes.h"
#include "rpc/winreg.h"

namespace winreach {

uint32_t SmbRegistry::ConnectRegistry(std::wstring_view machine, RegistryKey root,
                                      RegistryKey* result) {
  *result = nullptr;
  if (root != LocalMachineRoot()) return status::kInvalidHandle;
  auto winreg = std::make_shared<BoundPipe>();
  if (const uint32_t error = OpenBoundPipe(session_, machine, kWinregPipe, winreg.get());
      error != 0) {
    return error;
  }
  return OpenWith(std::move(winreg), rpc::kOpenLocalMachine,
                  rpc::OpenLocalMachineRequest(rpc::kMaximumAllowed), result);
}

uint32_t SmbRegistry::OpenKey(RegistryKey parent, std::wstring_view sub_key, uint32_t options,
                              uint32_t access, RegistryKey* result) {
  *result = nullptr;
  Key* key = keys_.Find(parent);
  if (key == nullptr) return status::kInvalidHandle;
  return OpenWith(key->winreg, rpc::kBaseRegOpenKey,
                  rpc::BaseRegOpenKeyRequest(key->handle, Utf16FromWide(sub_key), options,
                                             access),
                  result);
}

uint32_t SmbRegistry::OpenWith(std::shared_ptr<BoundPipe> winreg, uint16_t opnum,
                               std::span<const uint8_t> request, RegistryKey* result) {
  rpc::ContextHandle handle;
  if (const uint32_t error = winreg->CallForHandle(opnum, request, &handle); error != 0) {
    return error;
  }
  if (handle.IsNull()) return status::kRpcProtocolError;
  *result = keys_.Add(std::make_unique<Key>(Key{std::move(winreg), handle}));
  return 0;
}

uint32_t SmbRegistry::QueryValue(RegistryKey handle, std::wstring_view value_name,
                                 uint32_t* type, uint8_t* data, uint32_t* size) {
  Key* key = keys_.Find(handle);
  if (key == nullptr) return status::kInvalidHandle;
  if (data != nullptr && size == nullptr) return status::kInvalidParameter;
  const uint32_t capacity = data != nullptr ? *size : 0;
  std::vector<uint8_t> answer;
  const auto request =
      rpc::BaseRegQueryValueRequest(key->handle, Utf16FromWide(value_name), capacity);
  if (const uint32_t error = key->winreg->client->Call(rpc::kBaseRegQueryValue, request, &answer);
      error != 0) {
    return error;
  }
  rpc::QueryValueResponse response;
  if (!rpc::ParseBaseRegQueryValueResponse(answer, capacity, &response)) {
    return status::kRpcProtocolError;
  }
  const uint32_t reported =
      response.has_size ? response.size : static_cast<uint32_t>(response.data.size());
  if (response.status == 0) {
    if (data != nullptr && !response.data.empty()) {
      std::memcpy(data, response.data.data(), response.data.size());
    }
    if (size != nullptr) *size = reported;
    if (type != nullptr && response.has_type) *type = response.type;
    return 0;
  }
  if (response.status == status::kMoreData) {
    if (size != nullptr && response.has_size) *size = reported;
    if (type != nullptr && response.has_type) *type = response.type;
    // Asked for the size alone, the size is the answer.
    if (data == nullptr) return 0;
  }
  return response.status;
}

uint32_t SmbRegistry::CloseKey(RegistryKey handle) {
  // Forgotten here, and the pipe closed with the last key: a server lets go
  // of every handle opened through a pipe when the pipe closes (the rundown
  // of its context handles), so a close call of the key's own would cost a
  // round trip and tell nothing.
  return keys_.Take(handle) != nullptr ? 0 : status::kInvalidHandle;
}

}  // namespace winreach
