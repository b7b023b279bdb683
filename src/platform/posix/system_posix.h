// Process and system facts on Linux.
#pragma once

#include "platform/system.h"

namespace winreach {

class PosixSystem : public System {
 public:
  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  uint32_t CurrentProcessId() override;
  uint32_t TickCount() override;
  int64_t PerformanceFrequency() override;
  int64_t PerformanceCounter() override;
  std::wstring ComputerName() override;
  std::wstring UpperCase(std::wstring_view text) override;
  std::optional<std::string> ToCodePage(std::wstring_view text, size_t max_bytes) override;
  std::optional<std::string> ToPingName(std::wstring_view text, size_t max_bytes) override;
  std::wstring FromCodePage(std::string_view text) override;
  std::wstring FromNetbiosName(std::string_view name) override;
  std::wstring ErrorMessage(uint32_t code, std::wstring_view own) override;
  RemoteLogon RemoteLogonBy() override { return RemoteLogon::kProgram; }
};

}  // namespace winreach
