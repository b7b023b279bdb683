#include "rpc/winreg.h"

namespace winreach::rpc {

std::vector<uint8_t> OpenLocalMachineRequest(uint32_t access) {
  NdrWriter ndr;
  ndr.NullPointer();  // no server name: the pipe already names the server
  ndr.U32(access);
  return ndr.Take();
}

std::vector<uint8_t> BaseRegOpenKeyRequest(const ContextHandle& key, std::u16string_view sub_key,
                                           uint32_t options, uint32_t access) {
  NdrWriter ndr;
  ndr.Handle(key);
  ndr.CountedString(sub_key);
  ndr.U32(options);
  ndr.U32(access);
  return ndr.Take();
}

std::vector<uint8_t> BaseRegQueryValueRequest(const ContextHandle& key,
                                              std::u16string_view value_name, uint32_t capacity) {
  NdrWriter ndr;
  ndr.Handle(key);
  ndr.CountedString(value_name);
  ndr.Referent();  // lpType
  ndr.U32(0);
  ndr.Referent();  // lpData: room for `capacity` bytes, none sent
  ndr.U32(capacity);
  ndr.U32(0);
  ndr.U32(0);
  ndr.Referent();  // lpcbData
  ndr.U32(capacity);
  ndr.Referent();  // lpcbLen
  ndr.U32(0);
  return ndr.Take();
}

bool ParseBaseRegQueryValueResponse(std::span<const uint8_t> stub, uint32_t capacity,
                                    QueryValueResponse* response) {
  NdrReader ndr(stub);
  *response = {};
  if (ndr.Pointer() != 0) {
    response->has_type = true;
    response->type = ndr.U32();
  }
  if (ndr.Pointer() != 0) {
    const uint32_t maximum = ndr.U32();
    const uint32_t offset = ndr.U32();
    const uint32_t actual = ndr.U32();
    if (!ndr.ok() || offset != 0 || actual > maximum || actual > capacity ||
        actual > ndr.remaining()) {
      return false;
    }
    response->data.resize(actual);
    ndr.Bytes(response->data.data(), actual);
  }
  bool has_length = false;
  uint32_t length = 0;
  if (ndr.Pointer() != 0) {
    response->has_size = true;
    response->size = ndr.U32();
  }
  if (ndr.Pointer() != 0) {
    has_length = true;
    length = ndr.U32();
  }
  response->status = ndr.U32();
  if (!ndr.ok()) return false;
  if (response->status == 0) {
    // What the server says it returned must be what it did return, and no
    // more than we have room for.
    if (has_length && length != response->data.size()) return false;
    if (response->has_size && response->size > capacity) return false;
    if (response->has_size && response->size < response->data.size()) return false;
  }
  return true;
}

}  // namespace winreach::rpc
