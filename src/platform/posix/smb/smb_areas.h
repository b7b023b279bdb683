// The four remote-administration areas over one SMB session: server
// information (srvsvc), the registry (winreg), files on a share, and the
// service control manager (svcctl).
#pragma once

#include <memory>
#include <set>

#include "platform/files.h"
#include "platform/management.h"
#include "platform/posix/smb/handle_table.h"
#include "rpc/ndr.h"
#include "rpc/rpc_client.h"
#include "platform/posix/smb/smb_session.h"
#include "platform/registry.h"
#include "platform/services.h"

namespace winreach {

// An RPC client bound to one interface on its own pipe.
struct BoundPipe {
  std::unique_ptr<SmbPipe> pipe;
  std::unique_ptr<rpc::RpcClient> client;
};

// Opens `pipe` and binds `interface` on it: 0 or the Windows code.
uint32_t OpenBoundPipe(SmbSession& session, std::wstring_view server, std::string_view pipe,
                       const rpc::SyntaxId& interface, BoundPipe* result);

class SmbManagement : public Management {
 public:
  explicit SmbManagement(SmbSession& session) : session_(session) {}
  uint32_t ServerGetInfo(std::wstring_view server, uint32_t level, uint8_t** buffer) override;
  uint32_t BufferFree(void* buffer) override;

 private:
  struct BlockDeleter {
    void operator()(uint8_t* block) const;
  };
  SmbSession& session_;
  HandleTable<uint8_t, BlockDeleter> blocks_;  // handed out, not yet freed
};

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
  // closes with the last of them.
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

class SmbFiles : public Files {
 public:
  explicit SmbFiles(SmbSession& session) : session_(session) {}
  ~SmbFiles() override;
  FileHandle Open(std::wstring_view path, uint32_t access, uint32_t share_mode,
                  uint32_t disposition, uint32_t flags) override;
  bool Close(FileHandle file) override;

 private:
  SmbSession& session_;
  std::set<FileHandle> files_;
};

class SmbServices : public Services {
 public:
  explicit SmbServices(SmbSession& session) : session_(session) {}
  ServiceHandle OpenManager(std::wstring_view machine, const wchar_t* database,
                            uint32_t access) override;
  bool Close(ServiceHandle manager) override;

 private:
  struct Manager {
    BoundPipe svcctl;
    rpc::ContextHandle handle;
  };
  SmbSession& session_;
  HandleTable<Manager> managers_;
};

}  // namespace winreach
