#include "platform/fake/fake_services.h"

namespace winreach {

ServiceHandle FakeServices::OpenManager(std::wstring_view machine, const wchar_t* database,
                                        uint32_t access) {
  opens.push_back({std::wstring(machine), database == nullptr, access});
  if (open_error != 0) {
    system_.SetLastError(open_error);
    return nullptr;
  }
  handed_out.push_back(reinterpret_cast<ServiceHandle>(next_++));
  return handed_out.back();
}

bool FakeServices::Close(ServiceHandle manager) {
  closed.push_back(manager);
  return true;
}

}  // namespace winreach
