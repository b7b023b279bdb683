#include "rpc/rpc_status.h"

#include <utility>

#include "platform/status_codes.h"

namespace winreach::rpc {

namespace {

// NCA status -> Windows code. Codes marked "not mapped" by the Windows
// client are left out and pass through.
constexpr std::pair<uint32_t, uint32_t> kFaultCodes[] = {
    {0x1C010001, 1820},  // nca_s_comm_failure -> RPC_S_COMM_FAILURE
    {0x1C010002, 1745},  // nca_op_rng_error -> RPC_S_PROCNUM_OUT_OF_RANGE
    {0x1C010003, 1717},  // nca_unk_if -> RPC_S_UNKNOWN_IF
    {0x1C010009, 1726},  // nca_s_you_crashed -> RPC_S_CALL_FAILED
    {0x1C01000B, 1728},  // nca_proto_error -> RPC_S_PROTOCOL_ERROR
    {0x1C010013, 1130},  // nca_out_args_too_big -> RPC_S_SERVER_OUT_OF_MEMORY
    {0x1C010014, 1723},  // nca_server_too_busy -> RPC_S_SERVER_TOO_BUSY
    {0x1C010017, 1732},  // nca_unsupported_type -> RPC_S_UNSUPPORTED_TYPE
    {0x1C000001, 1767},  // nca_s_fault_int_div_by_zero -> RPC_S_ZERO_DIVIDE
    {0x1C000002, 1768},  // nca_s_fault_addr_error -> RPC_S_ADDRESS_ERROR
    {0x1C000003, 1769},  // nca_s_fault_fp_div_zero -> RPC_S_FP_DIV_ZERO
    {0x1C000004, 1770},  // nca_s_fault_fp_underflow -> RPC_S_FP_UNDERFLOW
    {0x1C000005, 1771},  // nca_s_fault_fp_overflow -> RPC_S_FP_OVERFLOW
    {0x1C000006, 1733},  // nca_s_fault_invalid_tag -> RPC_S_INVALID_TAG
    {0x1C000007, 1734},  // nca_s_fault_invalid_bound -> RPC_S_INVALID_BOUND
    {0x1C000008, 1728},  // nca_rpc_version_mismatch -> RPC_S_PROTOCOL_ERROR
    {0x1C000009, 1726},  // nca_unspec_reject -> RPC_S_CALL_FAILED
    {0x1C00000A, 1727},  // nca_s_bad_actid -> RPC_S_CALL_FAILED_DNE
    {0x1C00000B, 1726},  // nca_who_are_you_failed -> RPC_S_CALL_FAILED
    {0x1C00000C, 1727},  // nca_manager_not_entered -> RPC_S_CALL_FAILED_DNE
    {0x1C00000D, 1818},  // nca_s_fault_cancel -> RPC_S_CALL_CANCELLED
    {0x1C00000E, 1768},  // nca_s_fault_ill_inst -> RPC_S_ADDRESS_ERROR
    {0x1C00000F, 1771},  // nca_s_fault_fp_error -> RPC_S_FP_OVERFLOW
    {0x1C000010, 1768},  // nca_s_fault_int_overflow -> RPC_S_ADDRESS_ERROR
    {0x1C000012, 1726},  // nca_s_fault_unspec -> RPC_S_CALL_FAILED
    {0x1C000014, 1918},  // nca_s_fault_pipe_empty -> RPC_X_PIPE_EMPTY
    {0x1C000015, 1916},  // nca_s_fault_pipe_closed -> RPC_X_PIPE_CLOSED
    {0x1C000016, 1831},  // nca_s_fault_pipe_order -> RPC_X_WRONG_PIPE_ORDER
    {0x1C000017, 1917},  // nca_s_fault_pipe_discipline -> RPC_X_PIPE_DISCIPLINE_ERROR
    {0x1C000018, 1820},  // nca_s_fault_pipe_comm_error -> RPC_S_COMM_FAILURE
    {0x1C000019, 14},    // nca_s_fault_pipe_memory -> ERROR_OUTOFMEMORY
    {0x1C00001A, 6},     // nca_s_fault_context_mismatch -> RPC_X_SS_CONTEXT_MISMATCH
    {0x1C00001B, 1130},  // nca_s_fault_remote_no_memory -> RPC_S_SERVER_OUT_OF_MEMORY
};

}  // namespace

uint32_t Win32FromFault(uint32_t fault_status) {
  for (const auto& [nca, win32] : kFaultCodes) {
    if (nca == fault_status) return win32;
  }
  return fault_status;
}

uint32_t Win32FromBindRejection(uint16_t reason) {
  switch (reason) {
    case 1:  // abstract syntax not supported
      return status::kRpcUnknownInterface;
    case 2:  // proposed transfer syntaxes not supported
      return status::kRpcUnsupportedTransferSyntax;
    case 3:  // local limit exceeded
      return status::kRpcServerTooBusy;
    default:
      return status::kRpcCallFailed;
  }
}

uint32_t Win32FromBindNak(uint16_t reason) {
  switch (reason) {
    case 1:  // temporary congestion
    case 2:  // local limit exceeded
      return status::kRpcServerTooBusy;
    case 4:  // protocol version not supported
      return status::kRpcProtocolError;
    default:
      return status::kRpcCallFailed;
  }
}

}  // namespace winreach::rpc
