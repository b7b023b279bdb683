#include "platform/win32/system_win32.h"

#include <climits>

#include "platform/format.h"
#include "platform/native_types.h"
#include "platform/win32/text_win32.h"

namespace winreach {

namespace {

// The local name buffer: 127 characters and the terminator.
constexpr DWORD kComputerNameCapacity = 128;

}  // namespace

uint32_t Win32System::LastError() { return ::GetLastError(); }

void Win32System::SetLastError(uint32_t code) { ::SetLastError(code); }

uint32_t Win32System::CurrentProcessId() { return ::GetCurrentProcessId(); }

uint32_t Win32System::TickCount() { return ::GetTickCount(); }

int64_t Win32System::PerformanceFrequency() {
  LARGE_INTEGER frequency{};
  ::QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

int64_t Win32System::PerformanceCounter() {
  LARGE_INTEGER count{};
  ::QueryPerformanceCounter(&count);
  return count.QuadPart;
}

std::wstring Win32System::ComputerName() {
  wchar_t name[kComputerNameCapacity] = {};
  DWORD size = kComputerNameCapacity;
  if (!::GetComputerNameW(name, &size)) return {};
  return std::wstring(name, size < kComputerNameCapacity ? size : kComputerNameCapacity - 1);
}

// CharUpperBuffW is CharUpperW with an explicit length, so the whole copy is
// converted, past an embedded null too, under the user's locale.
std::wstring Win32System::UpperCase(std::wstring_view text) {
  std::wstring upper(text);
  if (!upper.empty() && upper.size() <= UINT_MAX) {
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  }
  return upper;
}

std::optional<std::string> Win32System::ToCodePage(std::wstring_view text, size_t max_bytes) {
  return WholeNarrowFromWide(text, CP_ACP, max_bytes);
}

// gethostbyname reads the bytes in the ANSI code page: "caf\xE9" is "café"
// under 1252 but another name under 1251, and no name at all under UTF-8.
std::optional<std::string> Win32System::ToPingName(std::wstring_view text, size_t max_bytes) {
  std::optional<std::string> bytes = ByteNameOf(text);
  if (!bytes || bytes->size() > max_bytes || WideFromNarrow(*bytes, CP_ACP) != text) {
    return std::nullopt;
  }
  return bytes;
}

std::wstring Win32System::FromCodePage(std::string_view text) {
  return WideFromNarrow(text, CP_ACP);
}

std::wstring Win32System::FromNetbiosName(std::string_view name) {
  return WideFromNarrow(name, CP_OEMCP);
}

// FormatMessageW in the user's language; its text ends in a line break and
// may hold more, which the report keeps on one line.
std::wstring Win32System::ErrorMessage(uint32_t code, std::wstring_view own) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length != 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
  if (buffer != nullptr) ::LocalFree(buffer);
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  }
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text.empty() ? std::wstring(own) : text;
}

}  // namespace winreach
