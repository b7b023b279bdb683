// The Windows code that a client reports for an RPC fault or rejection.
#pragma once

#include <cstdint>

namespace winreach::rpc {

// A fault PDU's status as the Windows client hands it to its caller: the
// NCA codes become their RPC_S_* / RPC_X_* equivalents; anything else (a
// Windows error code such as 5) passes through unchanged.
uint32_t Win32FromFault(uint32_t fault_status);

// A rejected bind: the bind_ack's provider reason for our context, or a
// bind_nak's reject reason.
uint32_t Win32FromBindRejection(uint16_t reason);
uint32_t Win32FromBindNak(uint16_t reason);

}  // namespace winreach::rpc
