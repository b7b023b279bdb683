// Feeds arbitrary bytes to the ticket cache reader: whatever the file holds,
// the principal it yields is one name and one realm taken from those bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/posix/smb/ticket_cache_principal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto principal = winreach::FileCachePrincipal(std::span<const uint8_t>(data, size));
  if (!principal) return 0;
  if (principal->size() > size) __builtin_trap();
  if (principal->find('@') != principal->rfind('@')) __builtin_trap();
  return 0;
}
