#include "platform/fake/fake_netbios.h"

namespace winreach {

uint8_t FakeNetbios::Call(NCB* ncb) {
  calls.push_back(*ncb);
  return handler ? handler(ncb) : NRC_BRIDGE;
}

}  // namespace winreach
