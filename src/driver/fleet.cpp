#include "driver/fleet.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "driver/engine.h"
#include "driver/fleet_report.h"
#include "driver/monitoring.h"
#include "driver/report.h"
#include "driver/targets.h"
#include "driver/usage.h"
#include "platform/buffered_console.h"
#include "platform/format.h"
#include "platform/forwarding_platform.h"

namespace winreach {

std::atomic<bool> stop_requested{false};
std::atomic<bool> fleet_running{false};

namespace {

// The progress line is redrawn at most this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// The names of a list file that are not yet in `seen`, counted with a copy
// of it; 0 when the list cannot be read twice (standard input).
size_t CountNewNames(Platform& platform, const CommandLine& line, const SeenNames& seen) {
  if (!line.targets || *line.targets == L"-") return 0;
  std::unique_ptr<LocalFile> list = platform.OpenLocalFile(*line.targets, LocalFileMode::kRead);
  if (!list) return 0;
  SeenNames counted = seen;
  TargetReader reader(line.computers, list.get(), counted);
  size_t count = 0;
  while (reader.Next()) ++count;
  return count;
}

// The progress line on standard error: redrawn in place, each time padded
// over what the last one left.
class ProgressLine {
 public:
  explicit ProgressLine(Console& console) : console_(console) {}
  void Draw(const std::wstring& text) {
    std::wstring line = L"\r" + text;
    if (text.size() < width_) line.append(width_ - text.size(), L' ');
    width_ = text.size();
    console_.WriteError(line);
  }
  void Clear() {
    if (width_ == 0) return;
    console_.WriteError(L"\r" + std::wstring(width_, L' ') + L"\r");
    width_ = 0;
  }

 private:
  Console& console_;
  size_t width_ = 0;
};

// One computer's platform as its run sees it: what the run writes to its
// console is kept here, to be written by the one writer with the record.
class KeptConsolePlatform : public ForwardingPlatform {
 public:
  explicit KeptConsolePlatform(Platform& platform) : ForwardingPlatform(platform) {}
  Console& console() override { return console_; }
  BufferedConsole console_;
};

struct FleetResult {
  ComputerRecord record;
  BufferedConsole console;  // what the run wrote: only standard error's lines matter
};

// Standard error's lines of one computer's run (--verbose's session line,
// unused credentials), each told with the computer's name.
class NamedErrors : public Console {
 public:
  NamedErrors(Console& console, std::wstring name) : console_(console), name_(std::move(name)) {}
  void Write(std::wstring_view) override {}
  void Write8(std::string_view) override {}
  void WriteError(std::wstring_view message) override {
    constexpr std::wstring_view kProgram = L"winreach: ";
    if (message.substr(0, kProgram.size()) == kProgram) message.remove_prefix(kProgram.size());
    console_.WriteError(std::wstring(kProgram) + name_ + L": " + std::wstring(message));
  }
  bool ReadWord(std::wstring*, size_t, size_t*) override { return false; }
  void WaitForKey() override {}

 private:
  Console& console_;
  std::wstring name_;
};

}  // namespace

int RunFleet(Platform& platform, const CommandLine& line) {
  Console& console = platform.console();
  RunOptions options = line.run;
  options.lines = false;
  options.verdict = true;
  options.json = line.run.json || line.resume.has_value();

  // Computers that a record file already holds are not checked again, and
  // a record torn by a killed run is cut off to be checked again.
  auto seen = std::make_shared<SeenNames>();
  std::unique_ptr<LocalFile> records;
  if (line.resume) {
    records = platform.OpenLocalFile(*line.resume, LocalFileMode::kReadAndAppend);
    if (!records) {
      console.WriteError(L"winreach: cannot open " + PrintableText(*line.resume) + L"\n");
      return kUsageError;
    }
    size_t count = 0;
    const uint64_t whole = ReadRecords(*records, *seen, &count);
    if (!records->Truncate(whole)) {
      console.WriteError(L"winreach: cannot cut the torn record off " +
                         PrintableText(*line.resume) + L"\n");
      return kUsageError;
    }
  }
  std::shared_ptr<LocalFile> list;
  if (line.targets) {
    list = *line.targets == L"-"
               ? platform.OpenLocalFile(L"", LocalFileMode::kStandardInput)
               : platform.OpenLocalFile(*line.targets, LocalFileMode::kRead);
    if (!list) {
      console.WriteError(L"winreach: cannot read " + PrintableText(*line.targets) + L"\n");
      return kUsageError;
    }
  }

  const bool progress = platform.ErrorIsTerminal();
  const size_t total = progress ? CountNewNames(platform, line, *seen) : 0;
  size_t jobs = line.jobs;
  if (const size_t most = platform.MostConcurrentRuns(); jobs > most) {
    console.WriteError(L"winreach: " + Unsigned(static_cast<uint32_t>(most)) +
                       L" computers at once at most, as the descriptor limit allows\n");
    jobs = most;
  }

  // The list is read by the engine's threads as they need names; the reader
  // lives as long as a thread that may still wait in it.
  auto reader = std::make_shared<TargetReader>(line.computers, list.get(), *seen);
  const auto next = [reader, seen, list, &console]() -> std::optional<std::wstring> {
    while (std::optional<TargetReader::Target> target = reader->Next()) {
      if (!target->too_long) return std::move(target->name);
      console.WriteError(L"winreach: a line of the list is too long for a computer's name\n");
    }
    return std::nullopt;
  };
  const auto work = [&platform, &options](std::wstring& target) {
    FleetResult result;
    if (target.size() > kMaxTargetName) {
      result.record.target = target;
      return result;
    }
    // The platform is made when the computer starts, so that its deadline
    // counts from then.
    const std::unique_ptr<Platform> run = platform.NewRun();
    KeptConsolePlatform kept(*run);
    result.record = RunComputer(kept, target, options);
    result.console = std::move(kept.console_);
    return result;
  };

  FleetSummary summary;
  ProgressLine progress_line(console);
  int worst = kAllPassed;
  const auto started = std::chrono::steady_clock::now();
  auto last_drawn = started - kProgressEvery;
  const auto draw = [&]() {
    if (!progress) return;
    const auto at = std::chrono::steady_clock::now();
    if (at - last_drawn < kProgressEvery) return;
    last_drawn = at;
    progress_line.Draw(summary.ProgressLine(total, MillisecondsSince(started)));
  };
  if (line.csv) console.Write8(CsvHeader());
  bool record_lost = false;
  // The monitoring sinks take every record at the end.
  const bool keep = line.nagios || line.prometheus.has_value();
  std::vector<ComputerRecord> kept;
  const auto done = [&](FleetResult& result) {
    ComputerRecord& record = result.record;
    if (record.target.size() > kMaxTargetName) {
      progress_line.Clear();
      console.WriteError(NameTooLongText(record.target.size()));
      return;
    }
    summary.Add(record);
    worst = std::max(worst, record.exit_status);
    progress_line.Clear();
    NamedErrors errors(console, PrintableText(record.target));
    result.console.PlayTo(errors);
    if (line.run.json) {
      console.Write8(record.json);
    } else if (line.csv) {
      console.Write8(CsvRow(record));
    } else if (!line.nagios) {
      console.Write(FleetTextLine(record));
    }
    if (records && !records->Append(record.json)) record_lost = true;
    if (keep) {
      record.json.clear();
      kept.push_back(std::move(record));
    }
    draw();
  };

  fleet_running = true;
  RunEngine<std::wstring, FleetResult>(
      jobs, next, work, done, [&] { draw(); }, kProgressEvery, stop_requested);
  fleet_running = false;
  progress_line.Clear();

  if (!line.run.json && !line.csv && !line.nagios) console.Write(summary.Text());
  if (record_lost) {
    console.WriteError(L"winreach: some records could not be written to " +
                       PrintableText(*line.resume) + L"\n");
  }
  if (stop_requested) {
    console.WriteError(L"winreach: stopped after " +
                       Unsigned(static_cast<uint32_t>(summary.computers())) +
                       L" computers\n");
  }
  return ReportToMonitoring(platform, line, kept, MillisecondsSince(started),
                            line.run.exit_status ? worst : 0);
}

}  // namespace winreach
