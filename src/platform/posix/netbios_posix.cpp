#include "platform/posix/netbios_posix.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace winreach {

namespace {

// Return codes that nb30.h defines beside the ones the logic names.
constexpr uint8_t kIllegalCommand = 0x03;  // NRC_ILLCMD
constexpr uint8_t kNoAnswer = 0x14;        // NRC_NOCALL: no such name
constexpr uint8_t kInvalidAddress = 0x39;  // NRC_INVADDRESS: no control block

// The IPv4 address that the call name holds: the text up to its first zero
// byte, within its 16 bytes, without trailing blanks.
std::optional<in_addr> CallAddress(const NCB& ncb) {
  const auto* begin = ncb.ncb_callname;
  const auto* end = std::find(begin, begin + NCBNAMSZ, 0);
  while (end != begin && end[-1] == ' ') --end;
  char text[NCBNAMSZ + 1] = {};
  std::copy(begin, end, text);
  in_addr address{};
  if (::inet_pton(AF_INET, text, &address) != 1) return std::nullopt;
  return address;
}

}  // namespace

uint8_t PosixNetbios::Call(NCB* ncb) {
  if (ncb == nullptr) return kInvalidAddress;
  // Every command completes before the call returns; a command with the
  // asynchronous bit is refused like any command we do not know.
  uint8_t code = kIllegalCommand;
  if (ncb->ncb_command == NCBRESET) {
    code = Reset(*ncb);
  } else if (ncb->ncb_command == NCBASTAT) {
    code = AdapterStatus(ncb);
  }
  ncb->ncb_retcode = code;
  ncb->ncb_cmd_cplt = code;
  return code;
}

uint8_t PosixNetbios::Reset(const NCB& ncb) {
  const auto interfaces = options_.interfaces();
  if (!interfaces) return NRC_SYSTEM;
  return LanaAddress(*interfaces, ncb.ncb_lana_num) ? NRC_GOODRET : NRC_BRIDGE;
}

uint8_t PosixNetbios::AdapterStatus(NCB* ncb) {
  const auto interfaces = options_.interfaces();
  if (!interfaces) return NRC_SYSTEM;
  const std::optional<in_addr> local = LanaAddress(*interfaces, ncb->ncb_lana_num);
  if (!local) return NRC_BRIDGE;
  if (ncb->ncb_buffer == nullptr || ncb->ncb_length == 0) return NRC_BUFLEN;
  // Only a computer named by its address can be asked: there is no name
  // query here, and the local adapter ("*") is not served.
  const std::optional<in_addr> remote = CallAddress(*ncb);
  if (!remote) return kNoAnswer;

  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_addr = *remote;
  target.sin_port = htons(options_.port);
  const NodeStatusOutcome outcome = QueryNodeStatus(*local, target, options_.timing);
  if (!outcome.status) return outcome.code;

  // As much of the status as the buffer holds; ncb_length tells how much.
  const std::vector<uint8_t> image = AdapterStatusImage(*outcome.status);
  const size_t delivered = std::min<size_t>(image.size(), ncb->ncb_length);
  std::memcpy(ncb->ncb_buffer, image.data(), delivered);
  ncb->ncb_length = static_cast<WORD>(delivered);
  return delivered == image.size() ? NRC_GOODRET : NRC_INCOMP;
}

}  // namespace winreach
