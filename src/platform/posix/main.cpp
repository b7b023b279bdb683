// The program's entry on Linux: the arguments arrive as UTF-8 bytes.
#include <signal.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/engine.h"
#include "driver/run.h"
#include "platform/posix/utf8.h"

namespace {

// Ctrl-C or SIGTERM during a run of many computers: no new computer starts,
// the running ones finish and their records are written whole. A second
// one, or one at any other time, ends the process as it always did.
void OnStopSignal(int signal_number) {
  if (winreach::fleet_running.load() && !winreach::stop_requested.exchange(true)) return;
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

int main(int argc, char** argv) {
  // The user's locale decides upper-casing; where it has no notion of
  // letters beyond ASCII, the C library's UTF-8 locale supplies them.
  std::setlocale(LC_ALL, "");
  if (MB_CUR_MAX == 1) std::setlocale(LC_CTYPE, "C.UTF-8");

  // A reader that goes away (`winreach srv01 | head -n 1`) must not end the
  // run: writes to a closed pipe then fail quietly, as they do on Windows,
  // and the run ends with its usual exit code.
  ::signal(SIGPIPE, SIG_IGN);

  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &stop, nullptr);
  ::sigaction(SIGTERM, &stop, nullptr);

  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(winreach::DecodeUtf8(argv[i]));
  return winreach::ConnectivityTest(winreach::Platform::Default(), arguments);
}
