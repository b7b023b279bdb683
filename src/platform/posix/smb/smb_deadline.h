// The time the SMB checks may take together. Whatever the servers do, a run
// ends within a minute of its start: NetBIOS and the pings keep their own
// bounded waits, and the SMB checks share what is left of the minute.
//
// libsmbclient bounds each request on its own (and a slow server answering
// each one just in time can hold a run for many minutes), it fixes a
// connection's time-out when the connection is made, and one of its calls
// may make several requests. So the session asks before each operation
// whether time is left and gives new connections no more than that; and when
// the time is up, a watchdog thread shuts the process's SMB connections
// down, so that the operation under way fails at once and nothing after it
// waits for the server again.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace winreach {

class SmbDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  // The SMB checks end this long after the run's start, leaving time to
  // print the last lines and close.
  static constexpr std::chrono::milliseconds kSmbBudget{56000};

  explicit SmbDeadline(Clock::time_point end) : end_(end) {}
  ~SmbDeadline();
  SmbDeadline(const SmbDeadline&) = delete;
  SmbDeadline& operator=(const SmbDeadline&) = delete;

  bool Passed() const { return Clock::now() >= end_; }

  // Milliseconds left, at most `cap` and at least 1 while time is left.
  int MillisecondsLeft(int cap) const;

  // Starts the watchdog once; it waits for the deadline and then shuts down
  // every TCP connection of the process to an SMB port (445, 139).
  void Arm();

 private:
  void Watch();

  const Clock::time_point end_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread watchdog_;
};

}  // namespace winreach
