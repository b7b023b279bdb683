#include "driver/monitoring.h"

#include <algorithm>

#include "driver/nagios_report.h"
#include "driver/prometheus_report.h"
#include "driver/usage.h"
#include "platform/format.h"
#include "platform/forwarding_platform.h"

namespace winreach {

namespace {

// The console of a plugin's run: everything as it is, and the last
// diagnostic kept for the UNKNOWN line.
class DiagnosticKeepingConsole : public Console {
 public:
  explicit DiagnosticKeepingConsole(Console& console) : console_(console) {}
  void Write(std::wstring_view text) override { console_.Write(text); }
  void Write8(std::string_view text) override { console_.Write8(text); }
  void WriteError(std::wstring_view message) override {
    last_ = message;
    console_.WriteError(message);
  }
  bool ReadWord(std::wstring* word, size_t max_chars, size_t* length) override {
    return console_.ReadWord(word, max_chars, length);
  }
  void WaitForKey() override { console_.WaitForKey(); }
  const std::wstring& last() const { return last_; }

 private:
  Console& console_;
  std::wstring last_;
};

class DiagnosticKeepingPlatform : public ForwardingPlatform {
 public:
  explicit DiagnosticKeepingPlatform(Platform& platform)
      : ForwardingPlatform(platform), console_(platform.console()) {}
  DiagnosticKeepingConsole& console() override { return console_; }

 private:
  DiagnosticKeepingConsole console_;
};

}  // namespace

bool AsksForPlugin(const std::vector<std::wstring>& arguments) {
  return std::find(arguments.begin(), arguments.end(), L"--nagios") != arguments.end();
}

int RunAsPlugin(Platform& platform, const std::function<int(Platform&)>& run) {
  DiagnosticKeepingPlatform keeping(platform);
  const int code = run(keeping);
  if (code != kUsageError) return code;
  platform.console().Write8(NagiosUnknownLine(
      keeping.console().last().empty() ? L"the command line cannot be run"
                                       : keeping.console().last()));
  return kPluginUnknown;
}

int ReportToMonitoring(Platform& platform, const CommandLine& line,
                       const std::vector<ComputerRecord>& records, int64_t elapsed_ms,
                       int exit_code) {
  bool written = true;
  if (line.prometheus) {
    written = platform.ReplaceLocalFile(*line.prometheus,
                                        PrometheusText(records, elapsed_ms, UnixMilliseconds()));
    if (!written) {
      platform.console().WriteError(L"winreach: cannot write " + PrintableText(*line.prometheus) +
                                    L"\n");
    }
  }
  if (!line.nagios) return exit_code;
  PluginStatus status = kPluginOk;
  std::string output = NagiosOutput(records, elapsed_ms, &status);
  // The computers' lines stay, below the line that says what went wrong.
  if (!written) {
    output = NagiosUnknownLine(L"cannot write the Prometheus file " + *line.prometheus) + output;
    status = kPluginUnknown;
  }
  platform.console().Write8(output);
  return status;
}

}  // namespace winreach
