#include "platform/posix/local_file_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/posix/utf8.h"

namespace winreach {

namespace {

class PosixLocalFile : public LocalFile {
 public:
  PosixLocalFile(int fd, bool owned) : fd_(fd), owned_(owned) {}
  ~PosixLocalFile() override {
    if (owned_) ::close(fd_);
  }
  PosixLocalFile(const PosixLocalFile&) = delete;
  PosixLocalFile& operator=(const PosixLocalFile&) = delete;

  long Read(char* buffer, size_t size) override {
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, size);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  bool Append(std::string_view bytes) override {
    // One write(2) of the whole line; only a full disk or a signal makes a
    // short one, whose rest then follows.
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  bool Truncate(uint64_t length) override {
    return ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
  }

 private:
  int fd_;
  bool owned_;
};

}  // namespace

std::unique_ptr<LocalFile> OpenPosixLocalFile(std::wstring_view path, LocalFileMode mode) {
  if (mode == LocalFileMode::kStandardInput) {
    return std::make_unique<PosixLocalFile>(STDIN_FILENO, false);
  }
  const std::string name = EncodeUtf8(path);
  const int flags = mode == LocalFileMode::kRead ? O_RDONLY
                                                 : O_RDWR | O_APPEND | O_CREAT;
  const int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixLocalFile>(fd, true);
}

bool ReplacePosixLocalFile(std::wstring_view path, std::string_view bytes) {
  // The temporary file stands in the same directory, so that rename(2)
  // replaces the file in one step; its name starts with a dot and has no
  // extension of its own, so that a reader that globs "*.prom" never takes it.
  const std::string name = EncodeUtf8(path);
  const size_t slash = name.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.empty()) return false;
  std::string temporary = directory + "." + base + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  PosixLocalFile file(fd, true);
  // mkostemp makes the file 0600; a collector running as another user must
  // be able to read it. (Reading the umask would change it for every
  // thread a moment.)
  const bool written = ::fchmod(fd, 0644) == 0 && file.Append(bytes) && ::fsync(fd) == 0;
  if (written && ::rename(temporary.c_str(), name.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

size_t RaiseDescriptorLimit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    struct rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return limit.rlim_cur == RLIM_INFINITY ? size_t{1} << 20 : static_cast<size_t>(limit.rlim_cur);
}

}  // namespace winreach
