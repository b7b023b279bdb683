#include "platform/posix/smb/smb_deadline.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>

namespace winreach {

namespace {

bool IsSmbPort(uint16_t port) { return port == 445 || port == 139; }

// Shuts down each connected TCP socket of the process whose peer is an SMB
// port. Only libsmbclient holds such sockets here. A descriptor closed and
// reused meanwhile is at worst another socket of the same kind, or no socket
// at all, which shutdown refuses.
void ShutDownSmbConnections() {
  DIR* folder = ::opendir("/proc/self/fd");
  if (folder == nullptr) return;
  const int own = ::dirfd(folder);
  while (const dirent* entry = ::readdir(folder)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == own) continue;
    int type = 0;
    socklen_t type_length = sizeof type;
    if (::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_TYPE, &type, &type_length) != 0 ||
        type != SOCK_STREAM) {
      continue;
    }
    sockaddr_storage peer{};
    socklen_t peer_length = sizeof peer;
    if (::getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peer_length) != 0) {
      continue;
    }
    uint16_t port = 0;
    if (peer.ss_family == AF_INET) {
      port = ntohs(reinterpret_cast<const sockaddr_in*>(&peer)->sin_port);
    } else if (peer.ss_family == AF_INET6) {
      port = ntohs(reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port);
    }
    if (IsSmbPort(port)) ::shutdown(static_cast<int>(fd), SHUT_RDWR);
  }
  ::closedir(folder);
}

}  // namespace

SmbDeadline::~SmbDeadline() {
  if (!watchdog_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  watchdog_.join();
}

int SmbDeadline::MillisecondsLeft(int cap) const {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 1, cap));
}

void SmbDeadline::Arm() {
  if (watchdog_.joinable() || Passed()) return;
  watchdog_ = std::thread([this] { Watch(); });
}

void SmbDeadline::Watch() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (stop_.wait_until(lock, end_, [this] { return stopping_; })) return;
  ShutDownSmbConnections();
}

}  // namespace winreach
