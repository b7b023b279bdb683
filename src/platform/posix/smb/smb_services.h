// The service control manager over svcctl on the SMB session: opened, and
// closed with its pipe, nothing else.
#pragma once

#include <cstdint>

#include "platform/posix/smb/bound_pipe.h"
#include "platform/posix/smb/handle_table.h"
#include "platform/services.h"

namespace winreach {

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
