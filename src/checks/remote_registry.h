// The remote registry: the connection, five keys and four values.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace winreach {

void CheckRemoteRegistry(Platform& platform, std::wstring_view machine_path);

}  // namespace winreach
