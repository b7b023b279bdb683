#include "platform/fake/fake_console.h"

namespace winreach {

void FakeConsole::Write(std::wstring_view message) {
  messages.push_back({true, std::wstring(message)});
}

void FakeConsole::Write8(std::string_view message) {
  std::wstring text;
  for (char c : message) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  messages.push_back({false, text});
}

void FakeConsole::WriteError(std::wstring_view message) { errors += message; }

bool FakeConsole::ReadWord(std::wstring* word, size_t max_chars, size_t* length) {
  if (words.empty()) return false;
  const std::wstring next = words.front();
  words.pop_front();
  *word = next.substr(0, max_chars);
  *length = next.size();
  return true;
}

void FakeConsole::WaitForKey() { ++key_waits; }

std::wstring FakeConsole::Output() const {
  std::wstring all;
  for (const auto& m : messages) all += m.text;
  return all;
}

}  // namespace winreach
