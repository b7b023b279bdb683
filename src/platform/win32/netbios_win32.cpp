#include "platform/win32/netbios_win32.h"

namespace winreach {

uint8_t Win32Netbios::Call(NCB* ncb) { return ::Netbios(ncb); }

}  // namespace winreach
