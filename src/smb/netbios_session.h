// The NetBIOS session service's opening exchange on port 139: the client's
// session request naming the server (called) and itself (calling), and the
// server's answer. Names are encoded in the first level only, without scope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "smb/crypto.h"

namespace winreach::smb {

// A server's file service (and "*SMBSERVER", which any server answers to).
inline constexpr uint8_t kServerNameSuffix = 0x20;
// A workstation: how a client names itself.
inline constexpr uint8_t kWorkstationNameSuffix = 0x00;

// Negative answers' error codes.
inline constexpr uint8_t kNotListeningOnCalledName = 0x80;
inline constexpr uint8_t kNotListeningForCallingName = 0x81;
inline constexpr uint8_t kCalledNameNotPresent = 0x82;
inline constexpr uint8_t kInsufficientResources = 0x83;
inline constexpr uint8_t kUnspecifiedError = 0x8F;

// A session request. Both names are upper-cased (ASCII), cut or padded with
// spaces to 15 characters; the called name gets the server suffix, the
// calling name the workstation suffix.
Bytes SessionRequest(std::string_view called, std::string_view calling);

struct SessionAnswer {
  enum Kind { kPositive, kNegative, kRetarget } kind = kNegative;
  uint8_t error_code = 0;           // kNegative
  uint32_t retarget_address = 0;    // kRetarget: IPv4, host order
  uint16_t retarget_port = 0;
};

// The bytes a session packet's four-byte header announces, header included
// (0 while fewer than four bytes are there): how much to read for a whole
// answer.
size_t SessionPacketSize(ByteSpan received);

// Parses one whole answer packet, header included. False for anything else,
// a keep-alive included, or a length that does not match its type.
bool ParseSessionAnswer(ByteSpan packet, SessionAnswer* answer);

}  // namespace winreach::smb
