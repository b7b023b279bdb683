#include "platform/posix/smb/smb_platform.h"

#include "platform/posix/last_error.h"
#include "platform/status_codes.h"

namespace winreach {

// Interim until the SMB session and the RPC client are in place: every
// remote operation reports the path as unreachable.
namespace {

class UnreachableManagement : public Management {
 public:
  uint32_t ServerGetInfo(std::wstring_view, uint32_t, uint8_t**) override {
    return status::kBadNetPath;
  }
  uint32_t BufferFree(void*) override { return 0; }
};

class UnreachableRegistry : public Registry {
 public:
  uint32_t ConnectRegistry(std::wstring_view, RegistryKey, RegistryKey*) override {
    return status::kBadNetPath;
  }
  uint32_t OpenKey(RegistryKey, std::wstring_view, uint32_t, uint32_t, RegistryKey*) override {
    return status::kInvalidHandle;
  }
  uint32_t QueryValue(RegistryKey, std::wstring_view, uint32_t*, uint8_t*, uint32_t*) override {
    return status::kInvalidHandle;
  }
  uint32_t CloseKey(RegistryKey) override { return status::kInvalidHandle; }
};

class UnreachableFiles : public Files {
 public:
  FileHandle Open(std::wstring_view, uint32_t, uint32_t, uint32_t, uint32_t) override {
    SetThreadLastError(status::kBadNetPath);
    return InvalidFileHandle();
  }
  bool Close(FileHandle) override { return false; }
};

class UnreachableServices : public Services {
 public:
  ServiceHandle OpenManager(std::wstring_view, const wchar_t*, uint32_t) override {
    SetThreadLastError(status::kRpcServerUnavailable);
    return nullptr;
  }
  bool Close(ServiceHandle) override { return false; }
};

}  // namespace

struct SmbPlatform::Areas {
  UnreachableManagement management;
  UnreachableRegistry registry;
  UnreachableFiles files;
  UnreachableServices services;
};

SmbPlatform::SmbPlatform() : areas_(new Areas) {}
SmbPlatform::~SmbPlatform() { delete areas_; }
Management& SmbPlatform::management() { return areas_->management; }
Registry& SmbPlatform::registry() { return areas_->registry; }
Files& SmbPlatform::files() { return areas_->files; }
Services& SmbPlatform::services() { return areas_->services; }

}  // namespace winreach
