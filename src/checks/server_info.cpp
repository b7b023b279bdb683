#include "checks/server_info.h"

#include "platform/format.h"

namespace winreach {

std::vector<CheckOutcome> CheckServerInfo(Platform& platform, std::wstring_view machine_path) {
  std::vector<CheckOutcome> outcomes;
  for (const uint32_t level : {100u, 101u, 102u, 503u}) {
    const Stopwatch stopwatch(platform.system());
    const std::string check = "server_info_" + Unsigned8(level);
    uint8_t* information = nullptr;
    const uint32_t status = platform.management().ServerGetInfo(machine_path, level, &information);
    // Success is what came back, not the status: a block with a non-zero
    // status still counts, and status 0 without a block does not.
    if (information != nullptr) {
      platform.console().Write(L"NetServerGetInfo level " + Unsigned(level) + L" OK!\n");
      platform.management().BufferFree(information);
      outcomes.push_back(stopwatch.Passed(check));
    } else {
      platform.console().Write(L"NetServerGetInfo level " + Unsigned(level) + L" failed! Error " +
                               Hex8(status) + L"\n");
      outcomes.push_back(stopwatch.Failed(check, status));
    }
  }
  return outcomes;
}

}  // namespace winreach
