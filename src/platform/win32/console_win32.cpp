#include "platform/win32/console_win32.h"

#include <climits>
#include <string>
#include <type_traits>

#include "platform/win32/text_win32.h"

namespace winreach {

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

// Writes all bytes, continuing after partial writes. A closed pipe or a
// full disk leaves nothing to report to, so failures end the write quietly.
void WriteBytes(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = bytes.size() > UINT_MAX / 2 ? UINT_MAX / 2 : static_cast<DWORD>(bytes.size());
    if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

void WriteWide(HANDLE handle, std::wstring_view message) {
  if (!IsConsole(handle)) {
    WriteBytes(handle, NarrowFromWide(message, CP_UTF8, SIZE_MAX));
    return;
  }
  while (!message.empty()) {
    DWORD written = 0;
    const DWORD chunk =
        message.size() > 16384 ? DWORD{16384} : static_cast<DWORD>(message.size());
    if (!::WriteConsoleW(handle, message.data(), chunk, &written, nullptr) || written == 0) return;
    message.remove_prefix(written);
  }
}

bool IsSpace(wchar_t unit) { return unit == L' ' || (unit >= L'\t' && unit <= L'\r'); }

// Ctrl+Z at the start of a console read stands for the end of input.
constexpr wchar_t kConsoleEndOfInput = 0x1A;

// Console input, a line at a time: the console hands out what was typed
// when Enter is pressed. What is left of the line after the word is dropped
// with the reader; the closing key read takes fresh key presses from the
// console, not from this line.
class ConsoleLineReader {
 public:
  explicit ConsoleLineReader(HANDLE input) : input_(input) {}

  bool Next(wchar_t* unit) {
    if (next_ == end_) {
      DWORD read = 0;
      if (!::ReadConsoleW(input_, line_, kCapacity, &read, nullptr) || read == 0) return false;
      next_ = 0;
      end_ = read < kCapacity ? read : kCapacity;
    }
    *unit = line_[next_++];
    return *unit != kConsoleEndOfInput;
  }

 private:
  static constexpr DWORD kCapacity = 1024;
  HANDLE input_;
  wchar_t line_[kCapacity] = {};
  DWORD next_ = 0;
  DWORD end_ = 0;
};

// Anything else is read a byte at a time, so that nothing after the word is
// consumed before the program ends.
bool ReadByte(HANDLE input, char* byte) {
  DWORD read = 0;
  return ::ReadFile(input, byte, 1, &read, nullptr) && read == 1;
}

// Words longer than this are counted up to here and no further, so that an
// endless word cannot keep the program reading forever.
constexpr size_t kMaxCounted = size_t{1} << 20;

// Like a wide "%s" read: skips white space, then collects units up to the
// next white space, which is left unread. Keeps at most `keep` units and
// counts the rest.
template <typename Unit, typename Next>
bool CollectWord(Next next, size_t keep, std::basic_string<Unit>* kept, size_t* counted) {
  Unit unit{};
  do {
    if (!next(&unit)) return false;
  } while (IsSpace(static_cast<wchar_t>(static_cast<std::make_unsigned_t<Unit>>(unit))));
  kept->assign(1, unit);
  *counted = 1;
  while (*counted < kMaxCounted && next(&unit) &&
         !IsSpace(static_cast<wchar_t>(static_cast<std::make_unsigned_t<Unit>>(unit)))) {
    ++*counted;
    if (kept->size() < keep) kept->push_back(unit);
  }
  return true;
}

bool IsModifierKey(WORD key) {
  switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
      return true;
    default:
      return false;
  }
}

// The console's input mode while a key is awaited, for the control handler:
// Ctrl+C or closing the window must not leave the console without echo.
HANDLE waiting_input = nullptr;
DWORD saved_input_mode = 0;

BOOL WINAPI RestoreInputMode(DWORD) {
  if (waiting_input != nullptr) ::SetConsoleMode(waiting_input, saved_input_mode);
  return FALSE;  // and let the default handling go on
}

}  // namespace

std::wstring DecodeRedirectedInput(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
  if (size > 0) return WideFromNarrow(bytes, CP_UTF8);
  return WideFromNarrow(bytes, CP_ACP);
}

Win32Console::Win32Console(HANDLE input, HANDLE output, HANDLE error)
    : fixed_(true), input_(input), output_(output), error_(error) {}

HANDLE Win32Console::Input() const { return fixed_ ? input_ : ::GetStdHandle(STD_INPUT_HANDLE); }

HANDLE Win32Console::Output() const {
  return fixed_ ? output_ : ::GetStdHandle(STD_OUTPUT_HANDLE);
}

HANDLE Win32Console::Error() const { return fixed_ ? error_ : ::GetStdHandle(STD_ERROR_HANDLE); }

void Win32Console::Write(std::wstring_view message) { WriteWide(Output(), message); }

// 8-bit messages go out byte for byte; a console shows them in its code page.
void Win32Console::Write8(std::string_view message) {
  const HANDLE output = Output();
  if (!IsConsole(output)) {
    WriteBytes(output, message);
    return;
  }
  while (!message.empty()) {
    DWORD written = 0;
    const DWORD chunk =
        message.size() > 16384 ? DWORD{16384} : static_cast<DWORD>(message.size());
    if (!::WriteConsoleA(output, message.data(), chunk, &written, nullptr) || written == 0) return;
    message.remove_prefix(written);
  }
}

void Win32Console::WriteError(std::wstring_view message) { WriteWide(Error(), message); }

bool Win32Console::ReadWord(std::wstring* word, size_t max_chars, size_t* length) {
  const HANDLE input = Input();
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return false;
  size_t counted = 0;
  if (IsConsole(input)) {
    std::wstring units;
    ConsoleLineReader reader(input);
    const auto next = [&reader](wchar_t* unit) { return reader.Next(unit); };
    if (!CollectWord<wchar_t>(next, max_chars + 1, &units, &counted)) return false;
    *length = counted;
    if (units.size() > max_chars) units.resize(max_chars);
    *word = units;
    return true;
  }
  // Up to four bytes make one character: keep enough bytes for one more
  // character than is wanted, so that the length says the word is too long.
  std::string bytes;
  const auto next = [input](char* byte) { return ReadByte(input, byte); };
  if (!CollectWord<char>(next, 4 * (max_chars + 1), &bytes, &counted)) return false;
  std::wstring decoded = DecodeRedirectedInput(bytes);
  *length = decoded.size() + (counted - bytes.size());
  if (decoded.size() > max_chars) decoded.resize(max_chars);
  *word = decoded;
  return true;
}

// Waits for one key press, unechoed, as _getch does; returns at once when
// standard input is not a console (redirected, or no console at all).
void Win32Console::WaitForKey() {
  const HANDLE input = Input();
  DWORD mode = 0;
  if (input == nullptr || input == INVALID_HANDLE_VALUE || !::GetConsoleMode(input, &mode)) return;

  waiting_input = input;
  saved_input_mode = mode;
  ::SetConsoleCtrlHandler(RestoreInputMode, TRUE);
  ::SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  // Keys pressed before the pause (during the checks) are no answer to it.
  ::FlushConsoleInputBuffer(input);
  for (;;) {
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!::ReadConsoleInputW(input, &record, 1, &read) || read != 1) break;
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    if (IsModifierKey(record.Event.KeyEvent.wVirtualKeyCode)) continue;
    break;
  }
  // The rest of that key (the second half of a surrogate pair, the bytes of
  // an escape sequence in virtual-terminal input) came with it: it must not
  // reach the shell either.
  ::FlushConsoleInputBuffer(input);
  ::SetConsoleMode(input, mode);
  ::SetConsoleCtrlHandler(RestoreInputMode, FALSE);
  waiting_input = nullptr;
}

}  // namespace winreach
