// The program's entry on Linux: the arguments arrive as UTF-8 bytes.
#include <signal.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/run.h"
#include "platform/posix/utf8.h"

int main(int argc, char** argv) {
  // The user's locale decides upper-casing; where it has no notion of
  // letters beyond ASCII, the C library's UTF-8 locale supplies them.
  std::setlocale(LC_ALL, "");
  if (MB_CUR_MAX == 1) std::setlocale(LC_CTYPE, "C.UTF-8");

  // A reader that goes away (`winreach srv01 | head -n 1`) must not end the
  // run: writes to a closed pipe then fail quietly, as they do on Windows,
  // and the run ends with its usual exit code.
  ::signal(SIGPIPE, SIG_IGN);

  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(winreach::DecodeUtf8(argv[i]));
  return winreach::ConnectivityTest(winreach::Platform::Default(), arguments);
}
