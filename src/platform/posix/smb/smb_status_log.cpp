#include "platform/posix/smb/smb_status_log.h"

namespace winreach {

namespace {

constexpr std::string_view kStatusMark = "map_errno_from_nt_status: 32 bit codes: code=";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<uint32_t> NtStatusFromLog(std::string_view message) {
  const size_t mark = message.find(kStatusMark);
  if (mark == std::string_view::npos) return std::nullopt;
  const std::string_view code = message.substr(mark + kStatusMark.size());
  // Exactly eight hex digits, then the end of the line.
  if (code.size() < 8) return std::nullopt;
  uint32_t status = 0;
  for (size_t i = 0; i < 8; ++i) {
    const int digit = HexDigit(code[i]);
    if (digit < 0) return std::nullopt;
    status = (status << 4) | static_cast<uint32_t>(digit);
  }
  if (code.size() > 8 && code[8] != '\n' && code[8] != '\r') return std::nullopt;
  return status;
}

}  // namespace winreach
