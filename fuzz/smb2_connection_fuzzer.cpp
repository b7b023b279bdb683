// The SMB2 connection against a server whose answers are cut from the input:
// the negotiation, an NTLM logon, IPC$, the srvsvc pipe opened with the RPC
// client's bind (one message of two requests from 2.1 on, whose answers may
// come as a chain), one call through it, then the pipe's close left for the
// tree's disconnect to carry, and the session ended.
//
// Input: one byte of options (bit 0: log on anonymously; bits 1-2 and 3-4
// step the signing and encryption settings away from their defaults; bits
// 5-7: how many dialects below 3.1.1 the highest offered is), then the
// server's messages, each behind its length as two bytes, little-endian.
// The server's connection ends with the input: the engine reads on through
// notifications and interim answers for as long as they come, which the
// program bounds by the socket's deadline and this target by the input.
//
// The seeds in fuzz/corpus/smb2_connection run the whole way, made of the
// recorded answers in tests/data (Samba's negotiate, challenge and tree
// connect, its NTLM tokens, its srvsvc answers) and the messages around
// them: an anonymous logon on 3.1.1; the recorded NTLM logon, whose account
// and random bytes are the ones below, on 3.0.2 signed and on 3.1.1
// encrypted; a 2.1 guest.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/status_codes.h"
#include "rpc/rpc_client.h"
#include "rpc/srvsvc.h"
#include "smb/message_transport.h"
#include "smb/named_pipe.h"
#include "smb/ntlm_authenticator.h"
#include "smb/smb2_connection.h"
#include "smb/utf16.h"

namespace {

using namespace winreach::smb;

class FuzzTransport : public MessageTransport {
 public:
  explicit FuzzTransport(ByteSpan input) : input_(input) {}
  uint32_t Send(ByteSpan) override { return 0; }
  uint32_t Receive(Bytes* message) override {
    if (input_.size() < 2) return winreach::status::kNetNameDeleted;
    const size_t size = input_[0] | static_cast<size_t>(input_[1]) << 8;
    input_ = input_.subspan(2);
    if (size > input_.size()) return winreach::status::kNetNameDeleted;
    message->assign(input_.begin(), input_.begin() + static_cast<ptrdiff_t>(size));
    input_ = input_.subspan(size);
    return 0;
  }

 private:
  ByteSpan input_;
};

constexpr Dialect kHighest[] = {Dialect::k311, Dialect::k302, Dialect::k300, Dialect::k210,
                                Dialect::k202};

// The account of the recorded NTLM logon against Samba (tests/data/ntlm_captures.h):
// with its random bytes, the server's final token verifies.
NtlmAuthenticator Logon(bool anonymous) {
  NtlmCredentials credentials;
  if (!anonymous) credentials = {u"root", u"", Utf16Le(u"Secr3t-pw")};
  auto random = [calls = 0](std::span<uint8_t> out) mutable {
    std::memset(out.data(), calls++ == 0 ? 0xaa : 0x55, out.size());
    return true;
  };
  return NtlmAuthenticator(std::move(credentials), u"WRCLIENT", u"localhost", random,
                           0x01d9000000000000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  ClientSettings settings;
  settings.signing = static_cast<ClientSettings::Signing>(((options >> 1) + 2) & 3);
  settings.encryption = static_cast<ClientSettings::Encryption>(((options >> 3) + 1) & 3);
  settings.max_dialect = kHighest[(options >> 5) % 5];
  FuzzTransport transport(ByteSpan(data + 1, size - 1));
  Smb2Connection connection(transport, settings, [](std::span<uint8_t> out) {
    std::memset(out.data(), 0x11, out.size());
    return true;
  });
  if (!connection.Negotiate().ok()) return 0;
  NtlmAuthenticator logon = Logon(options & 1);
  if (!connection.SessionSetup(logon).ok()) return 0;
  const SessionState& session = connection.session();
  if ((session.encrypting && !session.cipher) || (session.signing && !session.signing_algorithm)) {
    __builtin_trap();
  }
  uint32_t tree = 0;
  if (!connection.TreeConnect(u"\\\\server\\IPC$", &tree).ok()) return 0;
  CreateRequest request;
  request.desired_access = kFileReadData | kFileWriteData | kFileAppendData | kFileReadEa |
                           kFileReadAttributes | kReadControl | kSynchronize;
  request.share_access = kFileShareRead | kFileShareWrite | kFileShareDelete;
  request.create_options = kFileNonDirectoryFile;
  request.name = u"srvsvc";
  {
    NamedPipe pipe(connection, tree, request,
                   [](const SmbResult&) { return winreach::status::kBadNetPath; },
                   [](const SmbResult&) { return winreach::status::kRpcCallFailed; });
    winreach::rpc::RpcClient rpc(pipe);
    if (rpc.Bind(winreach::rpc::kSrvsvc) == 0) {
      std::vector<uint8_t> stub;
      const auto call = winreach::rpc::NetrServerGetInfoRequest(u"\\\\server", 101);
      rpc.Call(winreach::rpc::kNetrServerGetInfo, call, &stub);
    }
  }
  connection.TreeDisconnect(tree);
  connection.Logoff();
  return 0;
}
