// The NDR decoders of every call's answer, on arbitrary stub data.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/posix/smb/server_info_block.h"
#include "rpc/srvsvc.h"
#include "rpc/winreg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::rpc;
  const std::span<const uint8_t> stub(data, size);
  for (uint32_t level : {100u, 101u, 102u, 503u}) {
    ServerInfoResponse info;
    if (ParseNetrServerGetInfoResponse(stub, level, &info) && info.has_info) {
      uint8_t* block = winreach::NewServerInfoBlock(level, info.fields);
      winreach::DeleteServerInfoBlock(block);
    }
  }
  ContextHandle handle;
  uint32_t status = 0;
  ParseHandleResponse(stub, &handle, &status);
  // The query's capacity comes from the first bytes, the answer from the rest.
  uint32_t capacity = 2048;
  if (size >= 2) capacity = static_cast<uint32_t>(data[0] | (data[1] << 8));
  QueryValueResponse value;
  if (ParseBaseRegQueryValueResponse(stub.subspan(size >= 2 ? 2 : 0), capacity, &value)) {
    // What a success hands to the caller must fit the caller's buffer.
    if (value.status == 0 && value.data.size() > capacity) __builtin_trap();
  }
  return 0;
}
