// The program's entry on Windows: the arguments arrive as wide strings.
#include <string>
#include <vector>

#include "driver/engine.h"
#include "driver/run.h"
#include "platform/native_types.h"

namespace {

// Ctrl-C or Ctrl-Break during a run of many computers: no new computer
// starts, the running ones finish and their records are written whole. A
// second one, or one at any other time, ends the process as it always did.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (winreach::fleet_running.load() && !winreach::stop_requested.exchange(true)) return TRUE;
  return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return winreach::ConnectivityTest(winreach::Platform::Default(), arguments);
}
