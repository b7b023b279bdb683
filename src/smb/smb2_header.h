// The 64-byte header in front of every SMB2 message, in its synchronous form
// (a tree id) and its asynchronous form (an async id, for interim answers and
// the CANCEL that follows them).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/bytes.h"
#include "smb/crypto.h"

namespace winreach::smb {

enum class Command : uint16_t {
  kNegotiate = 0,
  kSessionSetup = 1,
  kLogoff = 2,
  kTreeConnect = 3,
  kTreeDisconnect = 4,
  kCreate = 5,
  kClose = 6,
  kRead = 8,
  kWrite = 9,
  kIoctl = 0x0B,
  kCancel = 0x0C,
};

inline constexpr uint32_t kFlagServerToRedir = 0x1;
inline constexpr uint32_t kFlagAsyncCommand = 0x2;
inline constexpr uint32_t kFlagRelatedOperations = 0x4;
inline constexpr uint32_t kFlagSigned = 0x8;

inline constexpr size_t kHeaderSize = 64;
inline constexpr size_t kSignatureOffset = 48;
inline constexpr size_t kSignatureSize = 16;

struct Header {
  uint16_t credit_charge = 0;
  uint32_t status = 0;  // in a request: the channel sequence, 0 here
  Command command = Command::kNegotiate;
  uint16_t credits = 0;  // requested, or granted in a response
  uint32_t flags = 0;
  uint32_t next_command = 0;
  uint64_t message_id = 0;
  uint64_t async_id = 0;  // when flags has kFlagAsyncCommand
  uint32_t tree_id = 0;   // otherwise
  uint64_t session_id = 0;
  std::array<uint8_t, 16> signature{};
};

void WriteHeader(const Header& header, ByteWriter& out);

// Reads the header at the start of `message`. False when the message is
// shorter than a header or does not start with an SMB2 header.
bool ParseHeader(ByteSpan message, Header* header);

// The header followed by `body`: a request ready to be signed and framed.
Bytes Request(const Header& header, ByteSpan body);

}  // namespace winreach::smb
