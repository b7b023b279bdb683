#include "smb/smb2_header.h"

#include <algorithm>

namespace winreach::smb {

namespace {

constexpr std::array<uint8_t, 4> kProtocolId = {0xFE, 'S', 'M', 'B'};
// What Windows puts in the synchronous header's reserved word (once the
// process id); servers ignore it.
constexpr uint32_t kSyncReserved = 0xFEFF;

}  // namespace

void WriteHeader(const Header& header, ByteWriter& out) {
  out.Bytes(kProtocolId);
  out.U16Le(kHeaderSize);
  out.U16Le(header.credit_charge);
  out.U32Le(header.status);
  out.U16Le(static_cast<uint16_t>(header.command));
  out.U16Le(header.credits);
  out.U32Le(header.flags);
  out.U32Le(header.next_command);
  out.U64Le(header.message_id);
  if (header.flags & kFlagAsyncCommand) {
    out.U64Le(header.async_id);
  } else {
    out.U32Le(kSyncReserved);
    out.U32Le(header.tree_id);
  }
  out.U64Le(header.session_id);
  out.Bytes(header.signature);
}

bool ParseHeader(ByteSpan message, Header* header) {
  ByteReader in(message);
  const auto protocol = in.Bytes(kProtocolId.size());
  if (!in.ok() || !std::equal(protocol.begin(), protocol.end(), kProtocolId.begin())) return false;
  const bool size_ok = in.U16Le() == kHeaderSize;
  header->credit_charge = in.U16Le();
  header->status = in.U32Le();
  header->command = static_cast<Command>(in.U16Le());
  header->credits = in.U16Le();
  header->flags = in.U32Le();
  header->next_command = in.U32Le();
  header->message_id = in.U64Le();
  if (header->flags & kFlagAsyncCommand) {
    header->async_id = in.U64Le();
    header->tree_id = 0;
  } else {
    in.Skip(4);
    header->tree_id = in.U32Le();
    header->async_id = 0;
  }
  header->session_id = in.U64Le();
  in.CopyTo(header->signature.data(), header->signature.size());
  return in.ok() && size_ok;
}

Bytes Request(const Header& header, ByteSpan body) {
  Bytes message;
  message.reserve(kHeaderSize + body.size());
  auto out = ByteWriter::AppendTo(message);
  WriteHeader(header, out);
  out.Bytes(body);
  return message;
}

}  // namespace winreach::smb
