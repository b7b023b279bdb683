// libsmbclient folds the server's NT status into errno, and so loses what
// errno has no word for (an NTLM logon blocked by the server is EINVAL, like
// a name that does not resolve). Its log still names the status, on the line
// where it maps the status to errno; this reads it from there.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace winreach {

// The NT status that libsmbclient's log message `message` reports mapping
// to errno, or nullopt when the message is not such a line.
std::optional<uint32_t> NtStatusFromLog(std::string_view message);

// The log level at which libsmbclient writes those lines.
inline constexpr int kNtStatusLogLevel = 10;

inline constexpr uint32_t kNtStatusNtlmBlocked = 0xC0000418;  // STATUS_NTLM_BLOCKED

}  // namespace winreach
