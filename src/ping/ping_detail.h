// What a ping learned on its way to the verdict, for the structured report.
#pragma once

#include <cstdint>
#include <optional>

namespace winreach {

struct PingDetail {
  const wchar_t* method = nullptr;        // L"library" or L"raw_socket"
  const wchar_t* family = nullptr;        // L"ipv4" or L"ipv6": the last echo sent
  std::optional<uint32_t> code;           // the last status or error code printed
  std::optional<uint32_t> round_trip_ms;  // of the echo that answered
};

}  // namespace winreach
