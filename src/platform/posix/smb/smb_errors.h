// The Windows code a failed SMB operation is reported with, by the stage at
// which it failed: the server's NT status says most of it, and the stage
// tells apart what the status alone cannot (an object that is not there is
// a missing file on a share, and an unreachable path for a pipe).
#pragma once

#include <cstdint>

#include "smb/smb2_connection.h"

namespace winreach {

enum class SmbStage {
  kConnect,    // the TCP connection (445, then 139)
  kNegotiate,  // the dialect
  kLogon,      // the session setup
  kTree,       // a tree connect to a share
  kOpenPipe,   // a pipe on IPC$
  kOpenFile,   // a file on a share
  kPipeIo,     // a call under way on an open pipe
};

// `credentials_offered`: a refused logon is a logon failure when a password
// or ticket was offered, an anonymous logon refused otherwise.
uint32_t WindowsCodeOf(const smb::SmbResult& result, SmbStage stage, bool credentials_offered);

// The code of a logon that gave up on the client's side, from the
// authenticator's reason. A server token that does not parse or comes out
// of turn, or a mechListMIC that does not verify, is the server's fault and
// never a wrong password; a server that offers no NTLM refuses NTLM.
uint32_t LogonFailureCode(uint32_t authenticator_failure);

}  // namespace winreach
