// The Windows types that the logic shares with the platform: in the Windows
// build the SDK's own, in the Linux build the same names laid out for Linux.
// The one place that chooses between the two.
#pragma once

#if defined(_WIN32)
#include "platform/win32/native_types_win32.h"
#else
#include "platform/posix/native_types_posix.h"
#endif
