// The Windows platform: each area forwarded to the native API.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace winreach {

// Builds the Windows platform. Default() holds one for the whole run.
std::unique_ptr<Platform> NewWin32Platform();

}  // namespace winreach
