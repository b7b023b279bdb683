// The server service interface (srvsvc): NetrServerGetInfo.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rpc/rpc_pdu.h"

namespace winreach::rpc {

inline constexpr SyntaxId kSrvsvc{Uuid("4b324fc8-1670-01d3-1278-5a47bf6ee188"), 3, 0};
inline constexpr uint16_t kNetrServerGetInfo = 21;

// The fields of one SERVER_INFO_* level in their order: each is a 32-bit
// number or a string. Levels 100, 101, 102 and 503 are known.
struct ServerInfoField {
  bool is_string;
  uint32_t number;
  std::u16string text;
  bool text_present;  // a null string pointer stays null
};

// The field kinds of a level ('u' number, 's' string), or null for a level
// this client does not know.
const char* ServerInfoLayout(uint32_t level);

std::vector<uint8_t> NetrServerGetInfoRequest(std::u16string_view server, uint32_t level);

struct ServerInfoResponse {
  uint32_t status = 0;
  bool has_info = false;  // the server handed back the level's structure
  std::vector<ServerInfoField> fields;
};

// Decodes the answer to a request for `level`. False when it is malformed:
// a wrong union arm, a string whose counts lie, data that ends early.
bool ParseNetrServerGetInfoResponse(std::span<const uint8_t> stub, uint32_t level,
                                    ServerInfoResponse* response);

}  // namespace winreach::rpc
