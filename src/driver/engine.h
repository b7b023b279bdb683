// The run engine: threads that each carry one blocking sequence of platform
// calls (one computer's run), and the calling thread that takes their
// results in the order they finish. There is no event loop beside it: the
// checks stay the plain blocking code they are, on Linux and on Windows.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace winreach {

// Set from a signal or console handler: no new job starts.
extern std::atomic<bool> stop_requested;

// Whether a run of many computers is going on, during which an interrupt
// stops the run gently instead of ending the process.
extern std::atomic<bool> fleet_running;

// Runs `work` on each job that `next` gives, on at most `threads` threads
// at once, until `next` gives nothing or `stop` is set. Each result goes to
// `done` on the calling thread as soon as it is there, in the order the
// jobs finish; `tick` is called there about every `tick` interval meanwhile.
// `next` is called on the engine's threads, one call at a time, so a list
// read from a stream is read only as fast as the jobs go.
//
// When `stop` is set, the jobs running finish and their results are handed
// on; a thread waiting in `next` for more of a stream that never comes is
// left behind rather than waited for.
template <typename Job, typename Result>
void RunEngine(size_t threads, std::function<std::optional<Job>()> next,
               std::function<Result(Job&)> work, std::function<void(Result&)> done,
               std::function<void()> tick, std::chrono::milliseconds tick_every,
               const std::atomic<bool>& stop) {
  // Shared with the threads, which may outlive this call (see above).
  struct State {
    std::mutex next_mutex;  // one call of `next` at a time
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Result> finished;
    size_t working = 0;   // threads inside `work`
    size_t exited = 0;    // threads that have returned
    std::function<std::optional<Job>()> next;
    std::function<Result(Job&)> work;
  };
  auto state = std::make_shared<State>();
  state->next = std::move(next);
  state->work = std::move(work);

  const auto worker = [state, &stop]() {
    for (;;) {
      std::optional<Job> job;
      {
        const std::lock_guard<std::mutex> take(state->next_mutex);
        if (!stop.load()) job = state->next();
      }
      if (job) {
        // Decided under the lock the calling thread decides under: once it
        // has seen a stop with nothing working, nothing starts.
        const std::lock_guard<std::mutex> lock(state->mutex);
        if (stop.load()) {
          job.reset();
        } else {
          ++state->working;
        }
      }
      if (!job) break;
      Result result = state->work(*job);
      const std::lock_guard<std::mutex> lock(state->mutex);
      state->finished.push_back(std::move(result));
      --state->working;
      state->changed.notify_all();
    }
    const std::lock_guard<std::mutex> lock(state->mutex);
    ++state->exited;
    state->changed.notify_all();
  };

  // Where the system gives fewer threads than asked for, the run goes on
  // with those it gave.
  std::vector<std::thread> pool;
  pool.reserve(threads);
  for (size_t i = 0; i < threads; ++i) {
    try {
      pool.emplace_back(worker);
    } catch (const std::system_error&) {
      if (pool.empty()) throw;
      break;
    }
  }
  threads = pool.size();

  std::unique_lock<std::mutex> lock(state->mutex);
  for (;;) {
    state->changed.wait_for(lock, tick_every, [&] {
      return !state->finished.empty() || state->exited == threads ||
             (stop.load() && state->working == 0);
    });
    while (!state->finished.empty()) {
      Result result = std::move(state->finished.front());
      state->finished.pop_front();
      lock.unlock();
      done(result);
      lock.lock();
    }
    if (state->exited == threads) break;
    // The threads still in `next` wait on a stream; none holds a job.
    if (stop.load() && state->working == 0) break;
    lock.unlock();
    tick();
    lock.lock();
  }
  // Threads between jobs are gone in a moment; one waiting in `next` on a
  // stream is left to the end of the process.
  const bool all_exited = state->changed.wait_for(lock, tick_every * 2,
                                                  [&] { return state->exited == threads; });
  lock.unlock();
  for (std::thread& thread : pool) {
    if (all_exited) {
      thread.join();
    } else {
      thread.detach();
    }
  }
}

// One blocking sequence of platform calls started beside the calling
// thread's own: the waits of one computer's checks that do not need each
// other (the NetBIOS query, the SMB connection) pass together. Joined by
// Join() or at the latest when it goes. Where the system gives no thread,
// the work is done at once on the calling thread: the run goes on, only
// without the overlap.
class Overlapped {
 public:
  explicit Overlapped(std::function<void()> work) : work_(std::move(work)) {
    try {
      thread_ = std::thread([this] { work_(); });
    } catch (const std::system_error&) {
      work_();
    }
  }
  ~Overlapped() { Join(); }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;

  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::function<void()> work_;  // kept here: a thread that fails to start leaves it whole
  std::thread thread_;
};

}  // namespace winreach
