// The block NetServerGetInfo hands out: the level's SERVER_INFO_* structure
// with its strings after it, in one allocation that the caller frees once.
#pragma once

#include <cstdint>
#include <vector>

#include "rpc/srvsvc.h"

namespace winreach {

// Lays out `fields` (decoded for `level`) as the platform's structure; null
// for a level without a layout or fields that do not match it.
uint8_t* NewServerInfoBlock(uint32_t level, const std::vector<rpc::ServerInfoField>& fields);
void DeleteServerInfoBlock(void* block);

}  // namespace winreach
