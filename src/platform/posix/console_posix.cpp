#include "platform/posix/console_posix.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cwctype>

#include "platform/posix/utf8.h"

namespace winreach {

namespace {

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a closed pipe or a full disk: nothing to report to
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// Reads one byte from standard input; false at end of input or on error.
bool ReadByte(char* byte) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, byte, 1);
    if (n == 1) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

bool IsSpace(unsigned char byte) {
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// Waits up to `wait_ms` for the next byte of a key that sends several; false
// when none comes, which ends the key.
bool ReadFollowingByte(unsigned char* byte, int wait_ms) {
  struct pollfd input {STDIN_FILENO, POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&input, 1, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready != 1 || (input.revents & POLLIN) == 0) return false;
    char c;
    if (!ReadByte(&c)) return false;
    *byte = static_cast<unsigned char>(c);
    return true;
  }
}

// Reads one key press whole: a plain byte, a UTF-8 character, or the escape
// sequence of a cursor, editing or function key (ESC [ ... final, ESC O x, the
// Linux console's ESC [ [ x, or Alt with a key as ESC and that key). The bytes
// of one key arrive together, so a short wait tells a lone Escape from the
// start of a sequence; a sequence is bounded so that no input can hold the
// read for long.
void ReadOneKey() {
  constexpr int kWithinKeyMs = 50;
  constexpr int kMostSequenceBytes = 32;
  char first;
  if (!ReadByte(&first)) return;
  auto lead = static_cast<unsigned char>(first);
  unsigned char byte = 0;
  if (lead == 0x1B) {
    if (!ReadFollowingByte(&byte, kWithinKeyMs)) return;  // Escape itself
    if (byte == '[') {
      // Parameters and intermediates (0x20 to 0x3F) up to the final byte.
      if (!ReadFollowingByte(&byte, kWithinKeyMs)) return;
      if (byte == '[') {
        ReadFollowingByte(&byte, kWithinKeyMs);
        return;
      }
      for (int i = 0; i < kMostSequenceBytes && byte >= 0x20 && byte <= 0x3F; ++i) {
        if (!ReadFollowingByte(&byte, kWithinKeyMs)) return;
      }
      return;
    }
    if (byte == 'O') {
      ReadFollowingByte(&byte, kWithinKeyMs);
      return;
    }
    lead = byte;  // Alt with a key: that key follows whole
  }
  const int continuation = (lead & 0xE0) == 0xC0   ? 1
                           : (lead & 0xF0) == 0xE0 ? 2
                           : (lead & 0xF8) == 0xF0 ? 3
                                                   : 0;
  for (int i = 0; i < continuation; ++i) {
    if (!ReadFollowingByte(&byte, kWithinKeyMs) || (byte & 0xC0) != 0x80) return;
  }
}

// The terminal's settings while a key is awaited, for the signal handler.
struct termios saved_terminal;
volatile sig_atomic_t terminal_changed = 0;

void RestoreTerminal() {
  if (terminal_changed) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    terminal_changed = 0;
  }
}

// A signal during the wait must not leave the terminal without echo: put it
// back, then let the signal do what it would have done.
void RestoreAndRaise(int signal_number) {
  RestoreTerminal();
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

void PosixConsole::Write(std::wstring_view message) { WriteAll(STDOUT_FILENO, EncodeUtf8(message)); }

void PosixConsole::Write8(std::string_view message) { WriteAll(STDOUT_FILENO, message); }

void PosixConsole::WriteError(std::wstring_view message) {
  WriteAll(STDERR_FILENO, EncodeUtf8(message));
}

// Like a wide "%s" read: white space is skipped, the word ends at the next
// white space, which is left unread. Input is read byte by byte with no
// buffer in between, so nothing typed after the word is swallowed before the
// closing key read. The word is decoded as UTF-8.
bool PosixConsole::ReadWord(std::wstring* word, size_t max_chars, size_t* length) {
  char byte;
  do {
    if (!ReadByte(&byte)) return false;
  } while (IsSpace(static_cast<unsigned char>(byte)));

  // Bytes beyond what is kept are counted, not stored, up to a bound that
  // keeps an endless word from running forever.
  constexpr size_t kMaxCounted = 1 << 20;
  std::string bytes(1, byte);
  size_t counted = 1;
  while (counted < kMaxCounted && ReadByte(&byte) && !IsSpace(static_cast<unsigned char>(byte))) {
    ++counted;
    if (bytes.size() < 4 * (max_chars + 1)) bytes.push_back(byte);
  }
  std::wstring decoded = DecodeUtf8(bytes);
  *length = decoded.size() + (counted - bytes.size());
  if (decoded.size() > max_chars) decoded.resize(max_chars);
  *word = decoded;
  return true;
}

void PosixConsole::WaitForKey() {
  if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return;
  struct termios raw = saved_terminal;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;

  struct sigaction restore {};
  restore.sa_handler = RestoreAndRaise;
  sigemptyset(&restore.sa_mask);
  constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
  struct sigaction previous[std::size(kSignals)];
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], &restore, &previous[i]);
  }

  terminal_changed = 1;
  if (::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
    // What was typed before the pause (the rest of the name's line, keys
    // pressed during the checks) is no answer to it, and must not reach the
    // shell after the program either.
    ::tcflush(STDIN_FILENO, TCIFLUSH);
    ReadOneKey();
  }
  RestoreTerminal();
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], &previous[i], nullptr);
  }
}

}  // namespace winreach
