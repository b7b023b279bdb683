#include "platform/win32/console_win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "checks/adapter_status.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/system_win32.h"
#include "platform/win32/text_win32.h"

namespace winreach {
namespace {

// A pipe whose ends the test closes itself.
class Pipe {
 public:
  Pipe() { EXPECT_TRUE(::CreatePipe(&read_, &write_, nullptr, 1 << 16)); }
  ~Pipe() {
    CloseWrite();
    if (read_ != nullptr) ::CloseHandle(read_);
  }
  HANDLE read() const { return read_; }
  HANDLE write() const { return write_; }
  void CloseWrite() {
    if (write_ != nullptr) ::CloseHandle(write_);
    write_ = nullptr;
  }
  void Put(std::string_view bytes) {
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(write_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr));
  }
  std::string TakeAll() {
    CloseWrite();
    std::string bytes;
    char chunk[256];
    DWORD read = 0;
    while (::ReadFile(read_, chunk, sizeof chunk, &read, nullptr) && read > 0) {
      bytes.append(chunk, read);
    }
    return bytes;
  }

 private:
  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
};

TEST(Win32ConsoleTest, RedirectedOutputIsUtf8AndEightBitOutputIsByteForByte) {
  Pipe out;
  Pipe err;
  Win32Console console(nullptr, out.write(), err.write());
  console.Write(L"Host name: srv-\u00e9\U0001F600\n");
  console.Write8("The NetBIOS name is: \xC9T\xC9\n");
  console.WriteError(L"\u00e9\n");
  EXPECT_EQ(out.TakeAll(),
            "Host name: srv-\xC3\xA9\xF0\x9F\x98\x80\n"
            "The NetBIOS name is: \xC9T\xC9\n");
  EXPECT_EQ(err.TakeAll(), "\xC3\xA9\n");
}

// The real console and code pages, a scripted NetBIOS.
class RedirectedPlatform : public FakePlatform {
 public:
  explicit RedirectedPlatform(HANDLE output) : win32_console_(nullptr, output, nullptr) {}
  Console& console() override { return win32_console_; }
  System& system() override { return win32_system_; }
  Win32Console win32_console_;
  Win32System win32_system_;
};

TEST(Win32ConsoleTest, RedirectedReportCarriesTheNetbiosNameInUtf8LikeEveryLine) {
  Pipe out;
  RedirectedPlatform platform(out.write());
  platform.netbios_.handler = [](NCB* ncb) -> uint8_t {
    if (ncb->ncb_command != NCBASTAT) return NRC_GOODRET;
    ADAPTER_STATUS status{};
    status.name_count = 1;
    NAME_BUFFER name{};
    std::memset(name.name, ' ', NCBNAMSZ);
    std::memcpy(name.name, "\xC9T\xC9", 3);
    name.name_flags = 0x04;
    std::memcpy(ncb->ncb_buffer, &status, sizeof status);
    std::memcpy(ncb->ncb_buffer + sizeof status, &name, sizeof name);
    return NRC_GOODRET;
  };
  ShowAdapterStatus(platform, "10.1.2.3");
  // NetBIOS names are in the OEM code page.
  const std::string name = NarrowFromWide(WideFromNarrow("\xC9T\xC9", CP_OEMCP), CP_UTF8, SIZE_MAX);
  EXPECT_EQ(out.TakeAll(), "The Ethernet Number is: 00-00-00-00-00-00\n"
                           "The NetBIOS name is: " + name + "\n");
}

TEST(Win32ConsoleTest, ReadsOneWordAtATimeFromRedirectedInput) {
  Pipe in;
  in.Put("  \r\n\tsrv01 \xC3\xA9t\xC3\xA9\n");
  in.CloseWrite();
  Win32Console console(in.read(), nullptr, nullptr);
  std::wstring word;
  size_t length = 0;
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(word, L"srv01");
  EXPECT_EQ(length, 5u);
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(word, L"\u00e9t\u00e9");
  EXPECT_EQ(length, 3u);
  EXPECT_FALSE(console.ReadWord(&word, 253, &length));
}

TEST(Win32ConsoleTest, OverLongWordIsCutAndItsLengthTold) {
  Pipe in;
  in.Put(std::string(300, 'n') + " next");
  in.CloseWrite();
  Win32Console console(in.read(), nullptr, nullptr);
  std::wstring word;
  size_t length = 0;
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(word, std::wstring(253, L'n'));
  EXPECT_EQ(length, 300u);
  ASSERT_TRUE(console.ReadWord(&word, 253, &length));
  EXPECT_EQ(word, L"next");
}

TEST(Win32ConsoleTest, EndOfInputReadsNothing) {
  Pipe in;
  in.Put(" \n ");
  in.CloseWrite();
  Win32Console console(in.read(), nullptr, nullptr);
  std::wstring word = L"kept";
  size_t length = 7;
  EXPECT_FALSE(console.ReadWord(&word, 253, &length));
  EXPECT_FALSE(Win32Console(INVALID_HANDLE_VALUE, nullptr, nullptr).ReadWord(&word, 253, &length));
}

TEST(Win32ConsoleTest, InputThatIsNotUtf8IsReadInTheSystemCodePage) {
  EXPECT_EQ(DecodeRedirectedInput("srv\xC3\xA9"), L"srv\u00e9");
  const std::string ansi = "srv\xE9";  // not UTF-8
  wchar_t expected[8] = {};
  ASSERT_GT(::MultiByteToWideChar(CP_ACP, 0, ansi.data(), 4, expected, 8), 0);
  EXPECT_EQ(DecodeRedirectedInput(ansi), std::wstring(expected));
}

TEST(Win32ConsoleTest, KeyWaitReturnsAtOnceWithoutAConsole) {
  Pipe in;  // never written, never closed: a read would block
  const DWORD start = ::GetTickCount();
  Win32Console(in.read(), nullptr, nullptr).WaitForKey();
  Win32Console(nullptr, nullptr, nullptr).WaitForKey();
  EXPECT_LT(::GetTickCount() - start, 1000u);
}

}  // namespace
}  // namespace winreach
