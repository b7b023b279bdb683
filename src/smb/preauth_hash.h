// SMB 3.1.1 preauthentication integrity: a running SHA-512 over the
// NEGOTIATE and SESSION_SETUP messages exchanged before the session's keys
// exist, so that tampering with any of them changes the keys (MS-SMB2
// 3.2.5.2, 3.2.5.3.1). The connection's value covers the NEGOTIATE pair; each
// session starts from a copy of it and adds its own SESSION_SETUP messages.
#pragma once

#include "smb/crypto.h"

namespace winreach::smb {

class PreauthHash {
 public:
  // Starts at 64 zero bytes.
  PreauthHash() = default;

  // H = SHA-512(H || message), `message` being one whole SMB2 message as
  // sent or received (from its header on, without the 4-byte transport
  // length).
  void Update(ByteSpan message);

  const Digest64& value() const { return value_; }
  ByteSpan span() const { return value_; }

 private:
  Digest64 value_{};
};

}  // namespace winreach::smb
