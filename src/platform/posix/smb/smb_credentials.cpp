#include "platform/posix/smb/smb_credentials.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace winreach {

void SmbCredentials::Wipe() {
  // Volatile writes, so that the compiler keeps them.
  volatile char* p = password.data();
  for (size_t i = 0; i < password.size(); ++i) p[i] = 0;
  password.clear();
  password.shrink_to_fit();
}

namespace {

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

SmbCredentials CredentialsFromEnvironment(const GetEnv& getenv, const ReadFirstLine& read) {
  SmbCredentials credentials;
  if (const char* logname = getenv("LOGNAME"); logname != nullptr) SetUser(credentials, logname);
  if (const char* user = getenv("USER"); user != nullptr && *user != '\0') {
    const std::string value = user;
    const size_t percent = value.find('%');
    SetUser(credentials, value.substr(0, percent));
    if (percent != std::string::npos) {
      credentials.password = value.substr(percent + 1);
      credentials.offered = true;
    }
  }
  if (const char* password = getenv("PASSWD"); password != nullptr) {
    credentials.password = password;
    credentials.offered = true;
  }
  if (const char* file = getenv("PASSWD_FILE"); file != nullptr && *file != '\0') {
    if (auto line = read(file)) {
      credentials.password = std::move(*line);
      credentials.offered = true;
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
        std::ifstream file(path);
        std::string line;
        if (!file || !std::getline(file, line)) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
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
