// The remote registry over winreg on the SMB session: the local-machine
// root, keys under it, and their values, read only.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/posix/smb/bound_pipe.h"
#include "platform/posix/smb/handle_table.h"
#include "platform/registry.h"

namespace winreach {

class SmbRegistry : public Registry {
 public:
  explicit SmbRegistry(SmbSession& session) : session_(session) {}
  uint32_t ConnectRegistry(std::wstring_view machine, RegistryKey root,
                           RegistryKey* result) override;
  uint32_t OpenKey(RegistryKey key, std::wstring_view sub_key, uint32_t options, uint32_t access,
                   RegistryKey* result) override;
  uint32_t QueryValue(RegistryKey key, std::wstring_view value_name, uint32_t* type,
                      uint8_t* data, uint32_t* size) override;
  uint32_t CloseKey(RegistryKey key) override;

 private:
  // One winreg pipe serves the root and every key opened under it; it
  // closes with the last of them, and the server's handles with it.
  struct Key {
    std::shared_ptr<BoundPipe> winreg;
    rpc::ContextHandle handle;
  };
  // Calls `opnum`, whose answer is a key's handle, and keeps the key.
  uint32_t OpenWith(std::shared_ptr<BoundPipe> winreg, uint16_t opnum,
                    std::span<const uint8_t> request, RegistryKey* result);

  SmbSession& session_;
  HandleTable<Key> keys_;
};

}  // namespace winreach
