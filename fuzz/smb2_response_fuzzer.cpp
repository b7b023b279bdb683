// The header, every response parser but the negotiate one, and the error
// body on the same arbitrary message. Each view a parser hands back must lie
// inside the message, after the header.
#include <cstddef>
#include <cstdint>
#include <span>

#include "smb/smb2_header.h"
#include "smb/smb2_messages.h"

namespace {

using winreach::smb::ByteSpan;

void CheckInside(ByteSpan view, ByteSpan message) {
  if (view.empty()) return;
  if (view.data() < message.data() + winreach::smb::kHeaderSize ||
      view.data() + view.size() > message.data() + message.size()) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::smb;
  const ByteSpan message(data, size);
  Header header;
  if (!ParseHeader(message, &header)) return 0;
  CarriesErrorBody(header);

  SessionSetupResponse setup;
  if (ParseSessionSetupResponse(message, &setup) && setup.security_buffer.size() > size) {
    __builtin_trap();
  }
  ParseLogoffResponse(message);
  ParseTreeDisconnectResponse(message);
  TreeConnectResponse tree;
  ParseTreeConnectResponse(message, &tree);
  CreateResponse create;
  ParseCreateResponse(message, &create);
  ParseCloseResponse(message);
  ReadResponse read;
  if (ParseReadResponse(message, &read)) CheckInside(read.data, message);
  WriteResponse write;
  ParseWriteResponse(message, &write);
  IoctlResponse ioctl;
  if (ParseIoctlResponse(message, &ioctl)) {
    CheckInside(ioctl.output, message);
    ValidateNegotiateInfo info;
    ParseValidateNegotiateInfo(ioctl.output, &info);
  }
  ErrorResponse error;
  if (ParseErrorResponse(message, &error)) CheckInside(error.error_data, message);
  return 0;
}
