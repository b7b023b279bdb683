#include "ping/ping_libraries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ping/library_ping.h"
#include "ping/raw_socket_ping.h"
#include "platform/fake/fake_platform.h"

namespace winreach {
namespace {

// Entry points that are only ever compared, never called.
HANDLE WINAPI CreateA() { return nullptr; }
DWORD WINAPI SendA(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD) {
  return 0;
}
BOOL WINAPI CloseA(HANDLE) { return 1; }
int WINAPI GetAddrInfoA(PCSTR, PCSTR, const ADDRINFOA*, PADDRINFOA*) { return 0; }
int WINAPI GetAddrInfoB(PCSTR, PCSTR, const ADDRINFOA*, PADDRINFOA*) { return 0; }
void WINAPI FreeAddrInfoA(PADDRINFOA) {}
void WINAPI FreeAddrInfoB(PADDRINFOA) {}
HANDLE WINAPI Create6A() { return nullptr; }
DWORD WINAPI Send6A(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, sockaddr_in6*, sockaddr_in6*, LPVOID,
                    WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD) {
  return 0;
}

template <typename Function>
void* Entry(Function function) {
  return reinterpret_cast<void*>(function);
}

using Library = FakeLibraries::Library;

Library Icmp() {
  return Library{{{"IcmpCreateFile", Entry(&CreateA)},
                  {"IcmpSendEcho", Entry(&SendA)},
                  {"IcmpCloseHandle", Entry(&CloseA)}}};
}
Library Ws2_32() {
  return Library{{{"getaddrinfo", Entry(&GetAddrInfoA)}, {"freeaddrinfo", Entry(&FreeAddrInfoA)}}};
}
Library Wship6() {
  return Library{{{"getaddrinfo", Entry(&GetAddrInfoB)}, {"freeaddrinfo", Entry(&FreeAddrInfoB)}}};
}
Library Iphlpapi() {
  return Library{{{"Icmp6CreateFile", Entry(&Create6A)}, {"Icmp6SendEcho2", Entry(&Send6A)}}};
}

class PingLibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    libraries_ = PingLibraries{};
    platform_.libraries_.on_missing_entry_point = [this](const std::string&) {
      platform_.system_.last_error = 127;  // ERROR_PROC_NOT_FOUND
    };
  }
  void Offer(const std::wstring& name, Library library) {
    platform_.libraries_.libraries[name] = std::move(library);
  }
  void OfferAll() {
    Offer(L"ICMP.DLL", Icmp());
    Offer(L"Ws2_32.dll", Ws2_32());
    Offer(L"Iphlpapi.dll", Iphlpapi());
  }

  FakePlatform platform_;
  PingLibraries libraries_;
};

TEST_F(PingLibrariesTest, AllIpv4EntryPointsSelectTheLibraryPing) {
  OfferAll();
  LoadPingLibraries(platform_, libraries_);
  const PingLibraries& table = libraries_;
  EXPECT_EQ(PingMethod::kLibrary, table.method);
  EXPECT_EQ((std::vector<std::wstring>{L"ICMP.DLL", L"Ws2_32.dll", L"Iphlpapi.dll"}),
            platform_.libraries_.loads);
  EXPECT_EQ((std::vector<std::string>{"IcmpCreateFile", "IcmpSendEcho", "IcmpCloseHandle",
                                      "getaddrinfo", "freeaddrinfo", "Icmp6CreateFile",
                                      "Icmp6SendEcho2"}),
            platform_.libraries_.lookups);
  EXPECT_EQ(&CreateA, table.icmp_create_file);
  EXPECT_EQ(&SendA, table.icmp_send_echo);
  EXPECT_EQ(&CloseA, table.icmp_close_handle);
  EXPECT_EQ(&GetAddrInfoA, table.getaddrinfo);
  EXPECT_EQ(&FreeAddrInfoA, table.freeaddrinfo);
  EXPECT_EQ(&Create6A, table.icmp6_create_file);
  EXPECT_EQ(&Send6A, table.icmp6_send_echo2);
  // Ws2_32.dll offers both: Wship6.dll is never loaded.
  EXPECT_EQ(nullptr, table.wship6);
}

TEST_F(PingLibrariesTest, TheIpv6LibrariesTakeNoPartInTheChoice) {
  Offer(L"ICMP.DLL", Icmp());
  LoadPingLibraries(platform_, libraries_);
  EXPECT_EQ(PingMethod::kLibrary, libraries_.method);
  EXPECT_EQ(nullptr, libraries_.getaddrinfo);
  EXPECT_EQ(nullptr, libraries_.icmp6_create_file);
}

TEST_F(PingLibrariesTest, AnyMissingIpv4EntryPointSelectsTheRawSocketPing) {
  for (const char* missing : {"IcmpCreateFile", "IcmpSendEcho", "IcmpCloseHandle"}) {
    SetUp();
    platform_.libraries_ = FakeLibraries{};
    platform_.libraries_.on_missing_entry_point = [this](const std::string&) {
      platform_.system_.last_error = 127;
    };
    OfferAll();
    platform_.libraries_.libraries[L"ICMP.DLL"].entry_points.erase(missing);
    platform_.system_.last_error = 42;
    LoadPingLibraries(platform_, libraries_);
    const PingLibraries& table = libraries_;
    EXPECT_EQ(PingMethod::kRawSocket, table.method) << missing;
    // The other libraries are loaded and looked up all the same.
    EXPECT_EQ(&GetAddrInfoA, table.getaddrinfo) << missing;
    EXPECT_EQ(&Send6A, table.icmp6_send_echo2) << missing;
    // The missing entry point's error code does not outlive the look-ups.
    EXPECT_EQ(42u, platform_.system_.last_error) << missing;
  }
}

TEST_F(PingLibrariesTest, WithoutIcmpDllTheEntryPointsStayAsTheyWere) {
  Offer(L"Ws2_32.dll", Ws2_32());
  libraries_.icmp_create_file = &CreateA;  // left from before
  platform_.system_.last_error = 7;
  LoadPingLibraries(platform_, libraries_);
  EXPECT_EQ(&CreateA, libraries_.icmp_create_file);
  EXPECT_EQ(PingMethod::kRawSocket, libraries_.method);
  EXPECT_EQ(7u, platform_.system_.last_error);
  EXPECT_EQ(nullptr, libraries_.icmp);
}

TEST_F(PingLibrariesTest, SecondSourceReplacesBothResolverFunctions) {
  Offer(L"ICMP.DLL", Icmp());
  Library ws2_32 = Ws2_32();
  ws2_32.entry_points.erase("getaddrinfo");
  Offer(L"Ws2_32.dll", ws2_32);
  Offer(L"Wship6.dll", Wship6());
  LoadPingLibraries(platform_, libraries_);
  EXPECT_EQ(&GetAddrInfoB, libraries_.getaddrinfo);
  EXPECT_EQ(&FreeAddrInfoB, libraries_.freeaddrinfo);
  EXPECT_NE(nullptr, libraries_.wship6);
}

TEST_F(PingLibrariesTest, SecondSourceWithoutTheFunctionsReplacesWithNull) {
  Library ws2_32 = Ws2_32();
  ws2_32.entry_points.erase("getaddrinfo");
  Offer(L"Ws2_32.dll", ws2_32);
  Offer(L"Wship6.dll", Library{});
  LoadPingLibraries(platform_, libraries_);
  EXPECT_EQ(nullptr, libraries_.getaddrinfo);
  EXPECT_EQ(nullptr, libraries_.freeaddrinfo);
}

TEST_F(PingLibrariesTest, MissingSecondSourceLeavesTheFirstSourcesValues) {
  Library ws2_32 = Ws2_32();
  ws2_32.entry_points.erase("getaddrinfo");
  Offer(L"Ws2_32.dll", ws2_32);
  LoadPingLibraries(platform_, libraries_);
  EXPECT_EQ(nullptr, libraries_.getaddrinfo);
  EXPECT_EQ(&FreeAddrInfoA, libraries_.freeaddrinfo);
  EXPECT_EQ((std::vector<std::wstring>{L"ICMP.DLL", L"Ws2_32.dll", L"Wship6.dll", L"Iphlpapi.dll"}),
            platform_.libraries_.loads);
}

TEST_F(PingLibrariesTest, LoadingAgainReusesHeldLibrariesAndRetriesTheOthers) {
  Offer(L"ICMP.DLL", Icmp());
  LoadPingLibraries(platform_, libraries_);
  Offer(L"Iphlpapi.dll", Iphlpapi());
  platform_.libraries_.loads.clear();
  platform_.libraries_.lookups.clear();
  LoadPingLibraries(platform_, libraries_);
  EXPECT_EQ((std::vector<std::wstring>{L"Ws2_32.dll", L"Wship6.dll", L"Iphlpapi.dll"}),
            platform_.libraries_.loads);
  EXPECT_EQ(1, platform_.libraries_.libraries[L"ICMP.DLL"].uses);
  EXPECT_EQ(3u + 2u, platform_.libraries_.lookups.size());  // ICMP looked up again
  EXPECT_EQ(&Create6A, libraries_.icmp6_create_file);
  EXPECT_EQ(PingMethod::kLibrary, libraries_.method);
}

TEST_F(PingLibrariesTest, FreeReleasesInOrderAndKeepsWhatFailedToRelease) {
  FreePingLibraries(platform_, libraries_);  // nothing held: nothing to do
  EXPECT_TRUE(platform_.libraries_.frees.empty());

  OfferAll();
  Offer(L"Wship6.dll", Wship6());
  platform_.libraries_.libraries[L"Ws2_32.dll"].entry_points.erase("freeaddrinfo");
  platform_.libraries_.libraries[L"Iphlpapi.dll"].free_fails = true;
  LoadPingLibraries(platform_, libraries_);
  FreePingLibraries(platform_, libraries_);
  EXPECT_EQ((std::vector<std::wstring>{L"ICMP.DLL", L"Ws2_32.dll", L"Wship6.dll", L"Iphlpapi.dll"}),
            platform_.libraries_.frees);
  const PingLibraries& table = libraries_;
  EXPECT_EQ(nullptr, table.icmp);
  EXPECT_EQ(nullptr, table.ws2_32);
  EXPECT_EQ(nullptr, table.wship6);
  EXPECT_NE(nullptr, table.iphlpapi);
  // Entry points and the choice are left alone.
  EXPECT_EQ(&CreateA, table.icmp_create_file);
  EXPECT_EQ(PingMethod::kLibrary, table.method);
  for (const auto& [name, library] : platform_.libraries_.libraries) {
    EXPECT_EQ(name == L"Iphlpapi.dll" ? 1 : 0, library.uses) << std::string(name.begin(), name.end());
  }
}

}  // namespace
}  // namespace winreach
