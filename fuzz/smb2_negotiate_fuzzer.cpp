// The negotiate response parser on arbitrary messages. What it returns must
// have come from the message: the security buffer fits in it, and the 3.1.1
// choices are only set for 3.1.1.
#include <cstddef>
#include <cstdint>
#include <span>

#include "smb/smb2_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::smb;
  const ByteSpan message(data, size);
  NegotiateResponse response;
  if (!ParseNegotiateResponse(message, &response)) return 0;
  if (response.security_buffer.size() > size - kHeaderSize - 64) __builtin_trap();
  const bool chose = response.cipher != 0 || response.signing_algorithm ||
                     response.preauth_hash_algorithm != 0;
  if (response.dialect != kDialect311 && chose) __builtin_trap();
  // Parsing again gives the same answer: nothing is left over from before.
  NegotiateResponse again;
  if (!ParseNegotiateResponse(message, &again) || again.cipher != response.cipher ||
      again.security_buffer != response.security_buffer) {
    __builtin_trap();
  }
  return 0;
}
