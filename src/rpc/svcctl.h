// The service control manager interface (svcctl): opening the manager,
// nothing else. Its handle goes with the pipe (see SmbServices::Close).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "rpc/ndr.h"
#include "rpc/rpc_pdu.h"

namespace winreach::rpc {

inline constexpr SyntaxId kSvcctl{Uuid("367abb81-9844-35f1-ad32-98f038001003"), 2, 0};
inline constexpr uint16_t kROpenSCManagerW = 15;

// A null `database` asks for the default database. The answers are decoded
// with ParseHandleResponse (ndr.h).
std::vector<uint8_t> ROpenSCManagerWRequest(std::u16string_view machine,
                                            const std::u16string_view* database, uint32_t access);

}  // namespace winreach::rpc
