#include "platform/posix/console_posix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace winreach {
namespace {

// Puts `input` behind standard input for the test's length.
class StandardInput {
 public:
  explicit StandardInput(const std::string& input) : saved_(::dup(STDIN_FILENO)) {
    int fds[2];
    EXPECT_EQ(0, ::pipe(fds));
    EXPECT_EQ(static_cast<ssize_t>(input.size()), ::write(fds[1], input.data(), input.size()));
    ::close(fds[1]);
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
  }
  ~StandardInput() {
    ::dup2(saved_, STDIN_FILENO);
    ::close(saved_);
  }

  // What is left unread.
  static std::string Rest() {
    std::string rest;
    char c;
    while (::read(STDIN_FILENO, &c, 1) == 1) rest.push_back(c);
    return rest;
  }

 private:
  int saved_;
};

TEST(PosixConsoleTest, ReadsOneWordAfterWhiteSpaceAndLeavesTheRest) {
  StandardInput input(" \t\n srv01 second\n");
  PosixConsole console;
  std::wstring word;
  size_t length = 0;
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(L"srv01", word);
  EXPECT_EQ(5u, length);
  EXPECT_EQ("second\n", StandardInput::Rest());
}

TEST(PosixConsoleTest, DecodesTheWordAsUtf8) {
  StandardInput input("h\xC3\xB4te\n");
  PosixConsole console;
  std::wstring word;
  size_t length = 0;
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(L"h\u00F4te", word);
  EXPECT_EQ(4u, length);
}

TEST(PosixConsoleTest, KeepsAtMostTheLimitButCountsTheWholeWord) {
  StandardInput input(std::string(10000, 'n') + " next");
  PosixConsole console;
  std::wstring word;
  size_t length = 0;
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(std::wstring(253, L'n'), word);
  EXPECT_EQ(10000u, length);
  EXPECT_EQ("next", StandardInput::Rest());
}

TEST(PosixConsoleTest, EndOfInputReadsNothing) {
  for (const char* text : {"", "  \n\t "}) {
    StandardInput input(text);
    PosixConsole console;
    std::wstring word = L"unchanged";
    size_t length = 7;
    EXPECT_FALSE(console.ReadWord(&word, 253, &length)) << '"' << text << '"';
  }
}

TEST(PosixConsoleTest, KeyReadWithoutTerminalReturnsAtOnce) {
  StandardInput input("");
  PosixConsole().WaitForKey();
  SUCCEED();
}

}  // namespace
}  // namespace winreach
