#include "platform/posix/system_posix.h"

#include <limits.h>
#include <time.h>
#include <unistd.h>

#include <cwctype>

#include "platform/posix/last_error.h"
#include "platform/posix/utf8.h"

namespace winreach {

namespace {

int64_t Nanoseconds(clockid_t clock) {
  struct timespec now {};
  ::clock_gettime(clock, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

constexpr size_t kMaxComputerName = 127;

}  // namespace

uint32_t PosixSystem::LastError() { return ThreadLastError(); }

void PosixSystem::SetLastError(uint32_t code) { SetThreadLastError(code); }

uint32_t PosixSystem::CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

// Milliseconds since boot, suspended time included, as the tick count counts.
uint32_t PosixSystem::TickCount() {
  return static_cast<uint32_t>(Nanoseconds(CLOCK_BOOTTIME) / 1'000'000);
}

int64_t PosixSystem::PerformanceFrequency() { return 1'000'000'000; }

int64_t PosixSystem::PerformanceCounter() { return Nanoseconds(CLOCK_MONOTONIC); }

// The host name's first label, as the NetBIOS-style computer name is the
// short name; empty when the kernel does not say.
std::wstring PosixSystem::ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  std::string_view label(name);
  label = label.substr(0, label.find('.'));
  std::wstring wide = DecodeUtf8(label);
  if (wide.size() > kMaxComputerName) wide.resize(kMaxComputerName);
  return wide;
}

std::wstring PosixSystem::UpperCase(std::wstring_view text) {
  std::wstring upper(text);
  for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return upper;
}

// Names are UTF-8 here, which carries every character: only a zero
// character or the length can keep a name from going whole.
std::optional<std::string> PosixSystem::ToCodePage(std::wstring_view text, size_t max_bytes) {
  if (text.find(L'\0') != std::wstring_view::npos) return std::nullopt;
  std::string bytes = EncodeUtf8(text);
  if (bytes.size() > max_bytes) return std::nullopt;
  return bytes;
}

// The resolver reads UTF-8, so the ping looks up the very bytes that name
// resolution looked up; bytes of the same value as each character would be
// no UTF-8 and name no computer.
std::optional<std::string> PosixSystem::ToPingName(std::wstring_view text, size_t max_bytes) {
  return ToCodePage(text, max_bytes);
}

std::wstring PosixSystem::FromCodePage(std::string_view text) { return DecodeUtf8(text); }

std::wstring PosixSystem::FromNetbiosName(std::string_view name) {
  std::wstring text;
  for (char byte : name) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
  return text;
}

// Linux keeps no texts for Windows codes: the program's own description
// stands.
std::wstring PosixSystem::ErrorMessage(uint32_t, std::wstring_view own) {
  return std::wstring(own);
}

}  // namespace winreach
