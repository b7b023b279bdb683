#include "rpc/svcctl.h"

namespace winreach::rpc {

std::vector<uint8_t> ROpenSCManagerWRequest(std::u16string_view machine,
                                            const std::u16string_view* database, uint32_t access) {
  NdrWriter ndr;
  ndr.UniqueString(machine);
  if (database != nullptr) {
    ndr.UniqueString(*database);
  } else {
    ndr.NullPointer();
  }
  ndr.U32(access);
  return ndr.Take();
}

}  // namespace winreach::rpc
