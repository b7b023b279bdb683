#include "platform/posix/netbios_posix.h"

namespace winreach {

// Interim until the name-service client is in place.
uint8_t PosixNetbios::Call(NCB*) { return NRC_BRIDGE; }

}  // namespace winreach
