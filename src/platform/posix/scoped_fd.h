// A file descriptor closed when it goes out of scope, so that every path out
// of a function releases it.
#pragma once

#include <unistd.h>

namespace winreach {

class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;

  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace winreach
