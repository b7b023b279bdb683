// Read access to the administrative share, and a full-access connection to
// the service control manager.
#pragma once

#include <string>
#include <string_view>

#include "checks/outcome.h"
#include "platform/platform.h"

namespace winreach {

// "<machine path>\ADMIN$\system32\ntoskrnl.exe".
std::wstring AdminSharePath(std::wstring_view machine_path);

// The outcomes "admin_share" and "scm".
CheckOutcome CheckAdminShare(Platform& platform, std::wstring_view machine_path);
CheckOutcome CheckServiceManager(Platform& platform, std::wstring_view machine_path);

}  // namespace winreach
