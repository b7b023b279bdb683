// A name service on a loopback port for the tests: a script sees each
// request and answers, or not, as the case under test needs.
#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/data/node_status_captures.h"

namespace winreach::nbtest {

using Clock = std::chrono::steady_clock;

inline in_addr Loopback() {
  in_addr address{};
  address.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

inline int BoundUdpSocket() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr = Loopback();
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

inline sockaddr_in LocalName(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  return address;
}

// The answer nmbd gave, with the transaction id of the request at hand.
inline std::vector<uint8_t> AnswerTo(uint16_t id) {
  std::vector<uint8_t> answer(std::begin(testdata::kCapturedResponse),
                              std::end(testdata::kCapturedResponse));
  answer[0] = static_cast<uint8_t>(id >> 8);
  answer[1] = static_cast<uint8_t>(id);
  return answer;
}

// A name service on a loopback port, run by a script that sees each request.
class Responder {
 public:
  struct Request {
    std::vector<uint8_t> bytes;
    sockaddr_in from;
    Clock::time_point when;
    uint16_t id() const { return static_cast<uint16_t>(bytes.at(0) << 8 | bytes.at(1)); }
  };
  // Called for request number `n` (0, 1, ...); replies through Send().
  using Script = std::function<void(Responder&, const Request&, int n)>;

  explicit Responder(Script script) : fd_(BoundUdpSocket()), script_(std::move(script)) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~Responder() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }

  sockaddr_in address() const { return LocalName(fd_); }

  void Send(const std::vector<uint8_t>& bytes, const sockaddr_in& to, int from_fd = -1) {
    ::sendto(from_fd >= 0 ? from_fd : fd_, bytes.data(), bytes.size(), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

  std::vector<Request> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      struct pollfd entry = {fd_, POLLIN, 0};
      if (::poll(&entry, 1, 10) <= 0) continue;
      Request request;
      request.bytes.resize(2048);
      socklen_t size = sizeof request.from;
      const ssize_t got = ::recvfrom(fd_, request.bytes.data(), request.bytes.size(), 0,
                                     reinterpret_cast<sockaddr*>(&request.from), &size);
      if (got < 2) continue;
      request.bytes.resize(static_cast<size_t>(got));
      request.when = Clock::now();
      int n;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        n = static_cast<int>(requests_.size()) - 1;
      }
      script_(*this, request, n);
    }
  }

  int fd_;
  Script script_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Request> requests_;
  std::thread thread_;
};

}  // namespace winreach::nbtest
