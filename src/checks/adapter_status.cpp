#include "checks/adapter_status.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/format.h"

namespace winreach {

namespace {

constexpr uint8_t kLanaCount = 10;
constexpr size_t kMaxNames = 30;
constexpr uint8_t kRegisteredUniqueName = 0x04;

// The reply area: an ADAPTER_STATUS and room for 30 NAME_BUFFERs. One per
// thread, since the computers of a run of many ask their adapters' status
// side by side.
alignas(ADAPTER_STATUS) thread_local uint8_t AdapterStatusBuffer[sizeof(ADAPTER_STATUS) +
                                                    kMaxNames * sizeof(NAME_BUFFER)];
static_assert(sizeof AdapterStatusBuffer == 600);

// The dotted address filled up with spaces to 15 characters, then a zero.
// The address ends at its first zero byte, as a C string would, and never
// takes more than 15 bytes of the name.
void SetRemoteName(NCB* ncb, std::string_view address) {
  address = address.substr(0, address.find('\0'));
  const size_t length = std::min(address.size(), size_t{NCBNAMSZ - 1});
  std::memcpy(ncb->ncb_callname, address.data(), length);
  ncb->ncb_callname[length] = 0;
  for (int i = NCBNAMSZ - 2; i >= 0 && ncb->ncb_callname[i] == 0; --i) {
    ncb->ncb_callname[i] = ' ';
  }
  ncb->ncb_callname[NCBNAMSZ - 1] = 0;
}

// The first registered unique name, up to its first blank or zero.
std::string ChosenName(const ADAPTER_STATUS& status) {
  const size_t count = std::min<size_t>(status.name_count, kMaxNames);
  for (size_t i = 0; i < count; ++i) {
    NAME_BUFFER entry;
    std::memcpy(&entry, AdapterStatusBuffer + sizeof status + i * sizeof entry, sizeof entry);
    if (entry.name_flags != kRegisteredUniqueName) continue;
    std::string text;
    for (size_t k = 0; k < NCBNAMSZ - 1; ++k) {
      const auto byte = static_cast<char>(entry.name[k]);
      if (byte == ' ' || byte == 0) break;
      text.push_back(byte);
    }
    return text;
  }
  return {};
}

}  // namespace

uint8_t FindFirstLana(Platform& platform) {
  NCB ncb{};
  ncb.ncb_command = NCBRESET;
  for (uint8_t lana = 0; lana < kLanaCount; ++lana) {
    ncb.ncb_lana_num = lana;
    if (platform.netbios().Call(&ncb) == 0) return lana;
  }
  return 0;
}

CheckOutcome ShowAdapterStatus(Platform& platform, std::string_view address) {
  const Stopwatch stopwatch(platform.system());
  Console& console = platform.console();
  const uint8_t lana = FindFirstLana(platform);

  NCB reset{};
  reset.ncb_command = NCBRESET;
  reset.ncb_lana_num = lana;
  if (const uint8_t code = platform.netbios().Call(&reset); code != 0) {
    console.Write8("The NCBRESET return code is: 0x" + HexLower8(code) + " \n");
    return stopwatch.Failed("netbios", code).With("command", L"NCBRESET");
  }

  NCB query{};
  SetRemoteName(&query, address);
  query.ncb_command = NCBASTAT;
  query.ncb_lana_num = lana;
  query.ncb_buffer = AdapterStatusBuffer;
  query.ncb_length = sizeof AdapterStatusBuffer;
  if (const uint8_t code = platform.netbios().Call(&query); code != 0) {
    console.Write8("The NCBASTAT return code is: 0x" + HexLower8(code) + " \n");
    return stopwatch.Failed("netbios", code).With("command", L"NCBASTAT");
  }

  ADAPTER_STATUS status;
  std::memcpy(&status, AdapterStatusBuffer, sizeof status);
  std::string mac;
  for (size_t i = 0; i < 6; ++i) {
    if (i != 0) mac += '-';
    mac += HexByte8(status.adapter_address[i]);
  }
  console.Write8("The Ethernet Number is: " + mac + "\n");
  // The name is the remote computer's say: read in the code page of NetBIOS
  // names like any other text and shown without controls or separators,
  // in the encoding of the wide lines around it.
  const std::wstring name = PrintableText(platform.system().FromNetbiosName(ChosenName(status)));
  console.Write(L"The NetBIOS name is: " + name + L"\n");
  return stopwatch.Passed("netbios")
      .With("mac", std::wstring(mac.begin(), mac.end()))
      .With("name", name);
}

}  // namespace winreach
