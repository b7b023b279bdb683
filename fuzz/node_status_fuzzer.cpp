// Feeds arbitrary datagrams to the node status reader. The id to match is
// taken from the datagram itself, so that most inputs get past the header and
// the answer's own lengths are what the fuzzer works on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/native_types.h"
#include "platform/posix/netbios/node_status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach;
  const std::span<const uint8_t> datagram(data, size);
  const uint16_t id = size >= 2 ? static_cast<uint16_t>(data[0] << 8 | data[1]) : 0;

  const auto status = ParseNodeStatusResponse(datagram, id);
  if (!status) return 0;

  // An answer is never taken for another request.
  if (ParseNodeStatusResponse(datagram, static_cast<uint16_t>(id + 1))) __builtin_trap();
  // Everything it holds came from the datagram: names and statistics fit.
  if (size < 12 + 1 + 10 + 1 + status->names.size() * 18 + 46) __builtin_trap();

  const auto image = AdapterStatusImage(*status);
  if (image.size() != sizeof(ADAPTER_STATUS) + status->names.size() * sizeof(NAME_BUFFER)) {
    __builtin_trap();
  }
  ADAPTER_STATUS adapter;
  std::memcpy(&adapter, image.data(), sizeof adapter);
  if (adapter.name_count != status->names.size()) __builtin_trap();
  return 0;
}
