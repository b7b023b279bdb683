// The Linux platform: each area provided by real Linux mechanisms.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace winreach {

// Builds the Linux platform. Default() holds one for the whole run.
std::unique_ptr<Platform> NewPosixPlatform();

}  // namespace winreach
