// The service control manager: OpenSCManagerW and CloseServiceHandle.
#pragma once

#include "platform/services.h"

namespace winreach {

class Win32Services : public Services {
 public:
  ServiceHandle OpenManager(std::wstring_view machine, const wchar_t* database,
                            uint32_t access) override;
  bool Close(ServiceHandle manager) override;
};

}  // namespace winreach
