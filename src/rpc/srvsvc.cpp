#include "rpc/srvsvc.h"

#include <cstring>

#include "rpc/ndr.h"

namespace winreach::rpc {

const char* ServerInfoLayout(uint32_t level) {
  switch (level) {
    case 100:
      return "us";  // platform_id, name
    case 101:
      return "usuuus";  // ..., version_major, version_minor, type, comment
    case 102:
      return "usuuusuuuuuus";  // ..., users, disc, hidden, announce, anndelta, licenses, userpath
    case 503:
      // 13 numbers and 5 flags, domain, 16 numbers, 5 flags, 2 numbers.
      return "uuuuuuuuuuuuuuuuuu"
             "s"
             "uuuuuuuuuuuuuuuuuuuuuuu";
    default:
      return nullptr;
  }
}

std::vector<uint8_t> NetrServerGetInfoRequest(std::u16string_view server, uint32_t level) {
  NdrWriter ndr;
  ndr.UniqueString(server);
  ndr.U32(level);
  return ndr.Take();
}

bool ParseNetrServerGetInfoResponse(std::span<const uint8_t> stub, uint32_t level,
                                    ServerInfoResponse* response) {
  const char* layout = ServerInfoLayout(level);
  if (layout == nullptr) return false;
  NdrReader ndr(stub);
  response->fields.clear();
  // The union's arm: its discriminant must be the level asked for.
  const uint32_t arm = ndr.U32();
  if (!ndr.ok() || arm != level) return false;
  response->has_info = ndr.Pointer() != 0;
  if (response->has_info) {
    for (const char* kind = layout; *kind; ++kind) {
      ServerInfoField field{*kind == 's', 0, {}, false};
      const uint32_t value = ndr.U32();
      if (field.is_string) {
        field.text_present = value != 0;
      } else {
        field.number = value;
      }
      response->fields.push_back(std::move(field));
    }
    // The strings follow the structure, in the order of their pointers.
    for (ServerInfoField& field : response->fields) {
      if (field.is_string && field.text_present) field.text = ndr.String();
    }
  }
  response->status = ndr.U32();
  return ndr.ok();
}

}  // namespace winreach::rpc
