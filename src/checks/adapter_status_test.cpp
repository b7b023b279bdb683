#include "checks/adapter_status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

std::string CallName(const NCB& ncb) {
  return std::string(reinterpret_cast<const char*>(ncb.ncb_callname), NCBNAMSZ);
}

NAME_BUFFER Name(const char (&text)[17], uint8_t flags) {
  NAME_BUFFER entry{};
  std::memcpy(entry.name, text, NCBNAMSZ);
  entry.name_flags = flags;
  return entry;
}

// A NetBIOS on which every LANA resets and the status query delivers the
// given MAC and names into the caller's buffer.
class AdapterStatusTest : public ::testing::Test {
 protected:
  void Answer(std::vector<uint8_t> mac, std::vector<NAME_BUFFER> names) {
    platform_.netbios_.handler = [=](NCB* ncb) -> uint8_t {
      if (ncb->ncb_command != NCBASTAT) return NRC_GOODRET;
      ADAPTER_STATUS status{};
      std::memcpy(status.adapter_address, mac.data(), 6);
      status.name_count = static_cast<WORD>(names.size());
      std::memcpy(ncb->ncb_buffer, &status, sizeof status);
      for (size_t i = 0; i < names.size(); ++i) {
        std::memcpy(ncb->ncb_buffer + sizeof status + i * sizeof(NAME_BUFFER), &names[i],
                    sizeof(NAME_BUFFER));
      }
      return NRC_GOODRET;
    };
  }

  std::wstring Show(std::string_view address = "10.1.2.3") {
    ShowAdapterStatus(platform_, address);
    return platform_.console_.Output();
  }

  const NCB& StatusQuery() const { return platform_.netbios_.calls.back(); }

  FakePlatform platform_;
};

TEST_F(AdapterStatusTest, RemoteNameIsTheAddressFilledWithBlanksThenAZero) {
  Answer({0, 0, 0, 0, 0, 0}, {});
  const struct {
    std::string address;
    std::string call_name;
  } cases[] = {
      {"10.1.2.3", std::string("10.1.2.3       ") + '\0'},
      {"192.168.100.200", std::string("192.168.100.200") + '\0'},
      {"", std::string(15, ' ') + '\0'},
      // Longer than a call name holds: cut, the suffix byte stays zero.
      {"1234567890123456789", std::string("123456789012345") + '\0'},
      // An inner zero byte ends the address.
      {std::string("10.1\0" "99", 7), std::string("10.1           ") + '\0'},
  };
  for (const auto& c : cases) {
    platform_.netbios_.calls.clear();
    ShowAdapterStatus(platform_, c.address);
    EXPECT_EQ(c.call_name, CallName(StatusQuery())) << c.address;
  }
}

TEST_F(AdapterStatusTest, QueryGoesToTheFirstLanaThatResetsWithTheWholeReplyArea) {
  Answer({0, 0, 0, 0, 0, 0}, {});
  auto answer = platform_.netbios_.handler;
  platform_.netbios_.handler = [&](NCB* ncb) -> uint8_t {
    if (ncb->ncb_command == NCBRESET && ncb->ncb_lana_num != 3) return NRC_BRIDGE;
    return answer(ncb);
  };
  Show();

  const auto& calls = platform_.netbios_.calls;
  ASSERT_EQ(6u, calls.size());  // probes 0..3, the reset, the query
  for (uint8_t lana = 0; lana <= 3; ++lana) {
    EXPECT_EQ(NCBRESET, calls[lana].ncb_command);
    EXPECT_EQ(lana, calls[lana].ncb_lana_num);
    EXPECT_EQ(nullptr, calls[lana].ncb_buffer);
  }
  EXPECT_EQ(NCBRESET, calls[4].ncb_command);
  EXPECT_EQ(3, calls[4].ncb_lana_num);
  EXPECT_EQ(NCBASTAT, calls[5].ncb_command);
  EXPECT_EQ(3, calls[5].ncb_lana_num);
  EXPECT_EQ(600, calls[5].ncb_length);
  EXPECT_NE(nullptr, calls[5].ncb_buffer);
  EXPECT_EQ(nullptr, calls[5].ncb_post);
  EXPECT_EQ(nullptr, calls[5].ncb_event);
}

TEST_F(AdapterStatusTest, NoLanaResetsSoLanaZeroReportsTheReset) {
  EXPECT_EQ(L"The NCBRESET return code is: 0x23 \n", Show());
  const auto& calls = platform_.netbios_.calls;
  ASSERT_EQ(11u, calls.size());  // ten probes and the reset of LANA 0
  EXPECT_EQ(9, calls[9].ncb_lana_num);
  EXPECT_EQ(0, calls[10].ncb_lana_num);
  EXPECT_EQ(0u, FindFirstLana(platform_));
}

TEST_F(AdapterStatusTest, FailedStatusQueryPrintsItsCodeAlone) {
  platform_.netbios_.handler = [](NCB* ncb) -> uint8_t {
    return ncb->ncb_command == NCBASTAT ? NRC_CMDTMO : NRC_GOODRET;
  };
  EXPECT_EQ(L"The NCBASTAT return code is: 0x5 \n", Show());

  platform_.console_.messages.clear();
  platform_.netbios_.handler = [](NCB* ncb) -> uint8_t {
    return ncb->ncb_command == NCBASTAT ? NRC_SYSTEM : NRC_GOODRET;
  };
  EXPECT_EQ(L"The NCBASTAT return code is: 0x40 \n", Show());
  for (const auto& message : platform_.console_.messages) EXPECT_FALSE(message.wide);
}

TEST_F(AdapterStatusTest, MacIsSixLowerCaseHexBytes) {
  Answer({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {});
  EXPECT_EQ(L"The Ethernet Number is: 00-1a-2b-3c-4d-5e\nThe NetBIOS name is: \n", Show());
  ASSERT_EQ(2u, platform_.console_.messages.size());
  EXPECT_FALSE(platform_.console_.messages[0].wide);
  // The name is text read from its code page, written as the wide lines are.
  EXPECT_TRUE(platform_.console_.messages[1].wide);
}

TEST_F(AdapterStatusTest, NameIsTheFirstRegisteredUniqueNameCutAtItsFirstBlank) {
  const std::vector<uint8_t> mac = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA};
  const std::string mac_line = "The Ethernet Number is: ff-ee-dd-cc-bb-aa\n";
  const struct {
    std::vector<NAME_BUFFER> names;
    std::string name;
  } cases[] = {
      {{Name("WORKGROUP      \0", 0x84), Name("SERVER01       \0", 0x04)}, "SERVER01"},
      {{Name("MY PC          \0", 0x04)}, "MY"},
      {{Name(" LEADING       \0", 0x04), Name("LATER          \0", 0x04)}, ""},
      // Registered but not as exactly 0x04: conflict, deregistered, group.
      {{Name("DUP            \0", 0x06), Name("GONE           \0", 0x05),
        Name("GROUP          \0", 0x80), Name("HOST           \0", 0x04)},
       "HOST"},
      // A name of 15 letters; the suffix byte is never part of it.
      {{Name("ABCDEFGHIJKLMNO\x20", 0x04)}, "ABCDEFGHIJKLMNO"},
      // A zero byte ends it; control bytes show as '?', letters of the code
      // page as they are.
      {{Name("AB\x01\xE9" "\0" "XYZ       \0", 0x04)}, "AB?\xE9"},
      {{Name("\x1B[2J\nOK!\x7F" "\0" "     \0", 0x04)}, "?[2J?OK!?"},
      // Bytes from 0x80 on are read in the code page; 0x9B, the 8-bit
      // control sequence introducer, is a control there.
      {{Name("\x9B" "2J\xC9T\xC9\x85" "        \0", 0x04)}, "?2J\xC9T\xC9?"},
      {{Name("REGISTERING    \0", 0x00)}, ""},
      {{}, ""},
  };
  for (const auto& c : cases) {
    platform_.console_.messages.clear();
    Answer(mac, c.names);
    std::wstring expected;
    for (unsigned char byte : mac_line + "The NetBIOS name is: " + c.name + "\n") {
      expected.push_back(byte);
    }
    EXPECT_EQ(expected, Show()) << c.name;
  }
}

TEST_F(AdapterStatusTest, NameWalkStopsAtThirtyEntriesWhateverTheCountSays) {
  // A platform that claims more names than the reply area holds: the walk
  // must not read past the 600 bytes.
  platform_.netbios_.handler = [](NCB* ncb) -> uint8_t {
    if (ncb->ncb_command != NCBASTAT) return NRC_GOODRET;
    ADAPTER_STATUS status{};
    status.name_count = 0xFFFF;
    std::memcpy(ncb->ncb_buffer, &status, sizeof status);
    for (size_t i = 0; i < 30; ++i) {
      const NAME_BUFFER group = Name("GROUP          \0", 0x84);
      std::memcpy(ncb->ncb_buffer + sizeof status + i * sizeof group, &group, sizeof group);
    }
    return NRC_GOODRET;
  };
  EXPECT_EQ(L"The Ethernet Number is: 00-00-00-00-00-00\nThe NetBIOS name is: \n", Show());
}

}  // namespace
}  // namespace winreach
