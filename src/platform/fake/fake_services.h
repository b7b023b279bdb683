// A scripted service control manager.
#pragma once

#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/system.h"

namespace winreach {

class FakeServices : public Services {
 public:
  explicit FakeServices(System& system) : system_(system) {}

  ServiceHandle OpenManager(std::wstring_view machine, const wchar_t* database,
                            uint32_t access) override;
  bool Close(ServiceHandle manager) override;

  struct OpenCall {
    std::wstring machine;
    bool database_null;
    uint32_t access;
  };

  uint32_t open_error = 0;  // non-zero: the open fails with it
  std::vector<OpenCall> opens;
  std::vector<ServiceHandle> handed_out;
  std::vector<ServiceHandle> closed;

 private:
  System& system_;
  uintptr_t next_ = 0x3000;
};

}  // namespace winreach
