#include "platform/posix/smb/smb_credentials.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace winreach {

namespace {

// Volatile writes, so that the compiler keeps them.
void WipeBytes(char* bytes, size_t size) {
  volatile char* p = bytes;
  for (size_t i = 0; i < size; ++i) p[i] = 0;
}

void WipeText(std::string& text) {
  WipeBytes(text.data(), text.capacity());
  text.clear();
  text.shrink_to_fit();
}

// Replaces the password, wiping the one before: a later source wins, and
// leaves no copy of the earlier behind in freed memory.
void SetPassword(SmbCredentials& credentials, std::string_view password) {
  WipeText(credentials.password);
  credentials.password.assign(password);
  credentials.offered = true;
}

// "domain\user", "domain/user" or "user" (a "user@realm" stays whole).
void SetUser(SmbCredentials& credentials, const std::string& name) {
  const size_t split = name.find_first_of("\\/");
  if (split == std::string::npos) {
    credentials.domain.clear();
    credentials.user = name;
  } else {
    credentials.domain = name.substr(0, split);
    credentials.user = name.substr(split + 1);
  }
}

}  // namespace

void SmbCredentials::Wipe() { WipeText(password); }

SmbCredentials CredentialsFromEnvironment(const GetEnv& getenv, const ReadFirstLine& read) {
  SmbCredentials credentials;
  if (const char* logname = getenv("LOGNAME"); logname != nullptr) SetUser(credentials, logname);
  if (const char* user = getenv("USER"); user != nullptr && *user != '\0') {
    const std::string_view value = user;  // the environment's own, not copied
    const size_t percent = value.find('%');
    SetUser(credentials, std::string(value.substr(0, percent)));
    if (percent != std::string::npos) SetPassword(credentials, value.substr(percent + 1));
  }
  if (const char* password = getenv("PASSWD"); password != nullptr) {
    SetPassword(credentials, password);
  }
  if (const char* file = getenv("PASSWD_FILE"); file != nullptr && *file != '\0') {
    if (std::optional<std::string> line = read(file)) {
      SetPassword(credentials, *line);
      WipeText(*line);
    }
  }
  return credentials;
}

std::optional<std::string> TicketCacheFile(const GetEnv& getenv, unsigned uid) {
  if (const char* name = getenv("KRB5CCNAME"); name != nullptr && *name != '\0') {
    const std::string cache = name;
    if (cache.rfind("FILE:", 0) == 0) return cache.substr(5);
    if (cache.find(':') == std::string::npos) return cache;
    return std::nullopt;
  }
  return "/tmp/krb5cc_" + std::to_string(uid);
}

bool HasTicketCache(const GetEnv& getenv, unsigned uid,
                    const std::function<bool(const std::string&)>& file_exists) {
  const std::optional<std::string> file = TicketCacheFile(getenv, uid);
  return file ? file_exists(*file) : true;  // DIR:, KEYRING:, KCM:: let Kerberos look
}

SmbCredentials CredentialsFromProcess() {
  return CredentialsFromEnvironment(
      [](const char* name) { return std::getenv(name); },
      [](const std::string& path) -> std::optional<std::string> {
        // Read into a buffer of our own, wiped after: a stream's buffer
        // would keep the password in freed memory.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        char buffer[4096];
        size_t size = 0;
        for (ssize_t got = 1; got > 0 && size < sizeof buffer;) {
          got = ::read(fd, buffer + size, sizeof buffer - size);
          if (got > 0) size += static_cast<size_t>(got);
        }
        ::close(fd);
        const std::string_view text(buffer, size);
        std::optional<std::string> line;
        if (size > 0) {
          std::string_view first = text.substr(0, text.find('\n'));
          if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
          line.emplace(first);
        }
        WipeBytes(buffer, sizeof buffer);
        return line;
      });
}

bool ProcessHasTicketCache() {
  return HasTicketCache([](const char* name) { return std::getenv(name); }, getuid(),
                        [](const std::string& path) {
                          struct stat st;
                          return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
                        });
}

}  // namespace winreach
