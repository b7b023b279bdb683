// The program's entry on Windows: the arguments arrive as wide strings.
#include <string>
#include <vector>

#include "driver/run.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return winreach::ConnectivityTest(winreach::Platform::Default(), arguments);
}
