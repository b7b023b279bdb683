// The server service's information at levels 100, 101, 102 and 503.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace winreach {

void CheckServerInfo(Platform& platform, std::wstring_view machine_path);

}  // namespace winreach
