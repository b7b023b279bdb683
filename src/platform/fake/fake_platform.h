// A platform of programmable fakes for the unit tests.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/fake/fake_console.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_libraries.h"
#include "platform/fake/fake_management.h"
#include "platform/fake/fake_netbios.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_session.h"
#include "platform/fake/fake_sockets.h"
#include "platform/fake/fake_system.h"
#include "platform/platform.h"

namespace winreach {

// Local files held in memory: the contents by path; standard input is the
// path "-".
struct FakeLocalFiles {
  std::mutex mutex;
  std::map<std::wstring, std::string> contents;
  std::vector<std::string> appends;  // each Append, as it came
};

class FakeLocalFile : public LocalFile {
 public:
  FakeLocalFile(FakeLocalFiles& files, std::wstring path) : files_(files), path_(std::move(path)) {}
  long Read(char* buffer, size_t size) override {
    const std::lock_guard<std::mutex> lock(files_.mutex);
    const std::string& text = files_.contents[path_];
    const size_t n = std::min(size, text.size() - std::min(text.size(), offset_));
    std::memcpy(buffer, text.data() + offset_, n);
    offset_ += n;
    return static_cast<long>(n);
  }
  bool Append(std::string_view bytes) override {
    const std::lock_guard<std::mutex> lock(files_.mutex);
    files_.contents[path_] += bytes;
    files_.appends.emplace_back(bytes);
    return true;
  }
  bool Truncate(uint64_t length) override {
    const std::lock_guard<std::mutex> lock(files_.mutex);
    std::string& text = files_.contents[path_];
    if (length < text.size()) text.resize(static_cast<size_t>(length));
    return true;
  }

 private:
  FakeLocalFiles& files_;
  std::wstring path_;
  size_t offset_ = 0;
};

class FakePlatform : public Platform {
 public:
  Console& console() override { return console_; }
  System& system() override { return system_; }
  Sockets& sockets() override { return sockets_; }
  Libraries& libraries() override { return libraries_; }
  Netbios& netbios() override { return netbios_; }
  Management& management() override { return management_; }
  Registry& registry() override { return registry_; }
  Files& files() override { return files_; }
  Services& services() override { return services_; }
  Session& session() override { return session_; }

  // A fresh fake for each run, scripted by `script_run` (the computer's
  // platform as the test wants it); every one made is kept in `runs`.
  std::unique_ptr<Platform> NewRun() override {
    auto run = std::make_unique<FakePlatform>();
    run->local_files_ = local_files_;
    if (script_run) script_run(*run);
    const std::lock_guard<std::mutex> lock(runs_mutex);
    ++runs;
    return run;
  }
  size_t MostConcurrentRuns() override { return most_concurrent_runs; }
  std::unique_ptr<LocalFile> OpenLocalFile(std::wstring_view path, LocalFileMode mode) override {
    const std::wstring name = mode == LocalFileMode::kStandardInput ? L"-" : std::wstring(path);
    {
      const std::lock_guard<std::mutex> lock(local_files_->mutex);
      const bool exists = local_files_->contents.count(name) != 0;
      if (!exists && mode != LocalFileMode::kReadAndAppend) return nullptr;
      local_files_->contents[name];
    }
    return std::make_unique<FakeLocalFile>(*local_files_, name);
  }
  bool ReplaceLocalFile(std::wstring_view path, std::string_view bytes) override {
    if (!replace_succeeds) return false;
    const std::lock_guard<std::mutex> lock(local_files_->mutex);
    local_files_->contents[std::wstring(path)] = std::string(bytes);
    return true;
  }
  bool ErrorIsTerminal() override { return error_is_terminal; }

  FakeLocalFiles& local_files() { return *local_files_; }

  std::function<void(FakePlatform&)> script_run;
  std::mutex runs_mutex;
  int runs = 0;
  size_t most_concurrent_runs = 1000;
  bool error_is_terminal = false;
  bool replace_succeeds = true;
  std::shared_ptr<FakeLocalFiles> local_files_ = std::make_shared<FakeLocalFiles>();

  FakeConsole console_;
  FakeSystem system_;
  FakeSockets sockets_;
  FakeLibraries libraries_;
  FakeNetbios netbios_;
  FakeManagement management_;
  FakeRegistry registry_;
  FakeFiles files_{system_};
  FakeServices services_{system_};
  FakeSession session_;

  // "srv01" resolves to 10.1.2.3 and its server cannot be reached: every
  // remote check fails with 53 (the service manager with 1722), so that a
  // run's own lines and their order stand out.
  void ScriptUnreachableServer() {
    sockets_.AddHost("srv01", "srv01.example.test", 10, 1, 2, 3);
    registry_.connect_status = 53;
    files_.open_all = false;
    files_.missing_error = 53;
    services_.open_error = 1722;
  }
};

}  // namespace winreach
