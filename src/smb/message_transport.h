// Carries whole SMB2 messages to and from one server: the framing, the
// socket and the run's deadline are the transport's, so the protocol above
// it can be driven by bytes in tests and fuzz targets.
#pragma once

#include <cstdint>

#include "smb/crypto.h"

namespace winreach::smb {

class MessageTransport {
 public:
  virtual ~MessageTransport() = default;

  // Sends one message: 0, or the Windows code of the failure.
  virtual uint32_t Send(ByteSpan message) = 0;

  // Waits for the next whole message: 0, or the Windows code of the failure
  // (the connection closed or reset, the run's time up).
  virtual uint32_t Receive(Bytes* message) = 0;
};

}  // namespace winreach::smb
