// Scripted operating-system facts.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/system.h"

namespace winreach {

class FakeSystem : public System {
 public:
  uint32_t LastError() override { return last_error; }
  void SetLastError(uint32_t code) override { last_error = code; }
  uint32_t CurrentProcessId() override { return process_id; }
  uint32_t TickCount() override { return tick_count; }
  int64_t PerformanceFrequency() override { return frequency; }
  int64_t PerformanceCounter() override { return counter ? counter() : 0; }
  std::wstring ComputerName() override { return computer_name; }
  std::wstring UpperCase(std::wstring_view text) override;
  std::optional<std::string> ToCodePage(std::wstring_view text, size_t max_bytes) override;
  std::optional<std::string> ToPingName(std::wstring_view text, size_t max_bytes) override;
  std::wstring FromCodePage(std::string_view text) override;
  std::wstring FromNetbiosName(std::string_view name) override;
  std::wstring ErrorMessage(uint32_t code, std::wstring_view own) override {
    const auto found = messages.find(code);
    return found != messages.end() ? found->second : std::wstring(own);
  }
  RemoteLogon RemoteLogonBy() override { return remote_logon; }

  uint32_t last_error = 0;
  uint32_t process_id = 0x1234;
  uint32_t tick_count = 0;
  int64_t frequency = 1000;
  std::function<int64_t()> counter;  // 0 when unset
  std::wstring computer_name = L"LOCALBOX";
  std::map<uint32_t, std::wstring> messages;  // the system's own texts; none by default
  RemoteLogon remote_logon = RemoteLogon::kProgram;
};

}  // namespace winreach
