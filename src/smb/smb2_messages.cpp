#include "smb/smb2_messages.h"

#include "platform/bytes.h"
#include "smb/nt_status.h"

namespace winreach::smb {

namespace {

// The fixed part of each body, without the variable buffer that its
// StructureSize counts as one byte.
constexpr size_t kNegotiateRequestFixed = 36;
constexpr size_t kNegotiateResponseFixed = 64;
constexpr size_t kSessionSetupRequestFixed = 24;
constexpr size_t kSessionSetupResponseFixed = 8;
constexpr size_t kTreeConnectRequestFixed = 8;
constexpr size_t kCreateRequestFixed = 56;
constexpr size_t kCreateResponseFixed = 88;
constexpr size_t kReadResponseFixed = 16;
constexpr size_t kWriteRequestFixed = 48;
constexpr size_t kIoctlRequestFixed = 56;
constexpr size_t kIoctlResponseFixed = 48;
constexpr size_t kErrorResponseFixed = 8;

constexpr size_t kSaltSize = 32;

size_t PadTo8(size_t offset) { return (8 - offset % 8) % 8; }

void PutUtf16(ByteWriter& out, std::u16string_view text) {
  for (const char16_t c : text) out.U16Le(static_cast<uint16_t>(c));
}

// A reader over the whole message, placed after the body's StructureSize,
// when the header is that of a response to `command` and the body starts
// with `structure_size`.
bool OpenResponse(ByteSpan message, Command command, uint16_t structure_size, ByteReader* in) {
  Header header;
  if (!ParseHeader(message, &header)) return false;
  if (header.command != command || !(header.flags & kFlagServerToRedir)) return false;
  *in = ByteReader(message);
  in->Skip(kHeaderSize);
  return in->U16Le() == structure_size && in->ok();
}

// The `length` bytes at `offset` (from the header's start), when they lie
// after the body's fixed part and inside the message. Nothing is needed of
// the offset of an empty buffer.
bool Buffer(ByteSpan message, size_t offset, size_t length, size_t fixed, ByteSpan* out) {
  if (length == 0) {
    *out = {};
    return true;
  }
  if (offset < kHeaderSize + fixed || offset > message.size() || length > message.size() - offset) {
    return false;
  }
  *out = message.subspan(offset, length);
  return true;
}

// Appends one negotiate context, aligned to 8 bytes from the header's start
// (the body starts at the header's end, itself 8-aligned).
void PutContext(Bytes& body, uint16_t type, ByteSpan data) {
  auto out = ByteWriter::AppendTo(body);
  for (size_t pad = PadTo8(body.size()); pad > 0; --pad) out.U8(0);
  out.U16Le(type);
  out.U16Le(static_cast<uint16_t>(data.size()));
  out.U32Le(0);  // reserved
  out.Bytes(data);
}

Bytes AlgorithmList(std::span<const uint16_t> ids) {
  Bytes data;
  auto out = ByteWriter::AppendTo(data);
  out.U16Le(static_cast<uint16_t>(ids.size()));
  for (const uint16_t id : ids) out.U16Le(id);
  return data;
}

bool Contains(std::span<const uint16_t> list, uint16_t value) {
  for (const uint16_t item : list) {
    if (item == value) return true;
  }
  return false;
}

// The 3.1.1 contexts of a negotiate response.
bool ParseNegotiateContexts(ByteSpan message, size_t offset, uint16_t count,
                            NegotiateResponse* response) {
  if (offset < kHeaderSize + kNegotiateResponseFixed || offset > message.size()) return false;
  bool seen_preauth = false, seen_cipher = false, seen_signing = false;
  ByteReader in(message);
  in.Skip(offset);
  for (uint16_t i = 0; i < count; ++i) {
    if (i > 0) in.Skip(PadTo8(in.offset()));
    const uint16_t type = in.U16Le();
    const uint16_t length = in.U16Le();
    in.Skip(4);
    ByteReader data(in.Bytes(length));
    if (!in.ok()) return false;
    switch (type) {
      case kPreauthIntegrityCapabilities: {
        const uint16_t algorithms = data.U16Le();
        const uint16_t salt_length = data.U16Le();
        if (seen_preauth || algorithms != 1) return false;
        response->preauth_hash_algorithm = data.U16Le();
        data.Skip(salt_length);  // the salt is hashed with the whole message, not used alone
        seen_preauth = true;
        break;
      }
      case kEncryptionCapabilities: {
        const uint16_t ciphers = data.U16Le();
        if (seen_cipher || ciphers > 1) return false;
        response->cipher = ciphers == 1 ? data.U16Le() : 0;
        seen_cipher = true;
        break;
      }
      case kSigningCapabilities: {
        const uint16_t algorithms = data.U16Le();
        if (seen_signing || algorithms > 1) return false;
        if (algorithms == 1) response->signing_algorithm = data.U16Le();
        seen_signing = true;
        break;
      }
      default:
        break;  // compression, transport, RDMA...: not ours to use
    }
    if (!data.ok()) return false;
  }
  return seen_preauth;
}

Bytes FixedBody(uint16_t structure_size) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(structure_size);
  out.U16Le(0);
  return body;
}

bool ParseFixedResponse(ByteSpan message, Command command) {
  ByteReader in(message);
  if (!OpenResponse(message, command, 4, &in)) return false;
  in.Skip(2);
  return in.ok();
}

}  // namespace

Bytes NegotiateRequestBody(const NegotiateRequest& request) {
  const bool contexts = Contains(request.dialects, kDialect311);
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(kNegotiateRequestFixed);
  out.U16Le(static_cast<uint16_t>(request.dialects.size()));
  out.U16Le(request.security_mode);
  out.U16Le(0);
  out.U32Le(request.capabilities);
  out.Bytes(request.client_guid);
  const size_t context_fields = body.size();
  out.U64Le(0);  // ClientStartTime, or the context offset and count set below
  for (const uint16_t dialect : request.dialects) out.U16Le(dialect);
  if (!contexts) return body;

  uint16_t count = 0;
  const size_t first = kHeaderSize + body.size() + PadTo8(body.size());
  Bytes preauth;
  auto data = ByteWriter::AppendTo(preauth);
  data.U16Le(1);  // one hash algorithm
  data.U16Le(kSaltSize);
  data.U16Le(kPreauthSha512);
  data.Bytes(request.salt);
  PutContext(body, kPreauthIntegrityCapabilities, preauth);
  ++count;
  if (!request.ciphers.empty()) {
    PutContext(body, kEncryptionCapabilities, AlgorithmList(request.ciphers));
    ++count;
  }
  if (!request.signing_algorithms.empty()) {
    PutContext(body, kSigningCapabilities, AlgorithmList(request.signing_algorithms));
    ++count;
  }
  ByteWriter fields{std::span<uint8_t>(body).subspan(context_fields, 8)};
  fields.U32Le(static_cast<uint32_t>(first));
  fields.U16Le(count);
  fields.U16Le(0);
  return body;
}

bool ParseNegotiateResponse(ByteSpan message, NegotiateResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kNegotiate, kNegotiateResponseFixed + 1, &in)) return false;
  response->security_mode = in.U16Le();
  response->dialect = in.U16Le();
  const uint16_t context_count = in.U16Le();
  in.CopyTo(response->server_guid.data(), response->server_guid.size());
  response->capabilities = in.U32Le();
  response->max_transact_size = in.U32Le();
  response->max_read_size = in.U32Le();
  response->max_write_size = in.U32Le();
  in.Skip(16);  // system time, server start time
  const uint16_t security_offset = in.U16Le();
  const uint16_t security_length = in.U16Le();
  const uint32_t context_offset = in.U32Le();
  if (!in.ok()) return false;
  ByteSpan security;
  if (!Buffer(message, security_offset, security_length, kNegotiateResponseFixed, &security)) {
    return false;
  }
  response->security_buffer.assign(security.begin(), security.end());
  response->preauth_hash_algorithm = 0;
  response->cipher = 0;
  response->signing_algorithm.reset();
  if (response->dialect != kDialect311) return true;
  return ParseNegotiateContexts(message, context_offset, context_count, response);
}

Bytes SessionSetupRequestBody(uint8_t security_mode, uint32_t capabilities,
                              ByteSpan security_buffer, uint64_t previous_session_id) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(kSessionSetupRequestFixed + 1);
  out.U8(0);  // flags: no binding to an existing session
  out.U8(security_mode);
  out.U32Le(capabilities);
  out.U32Le(0);  // channel
  out.U16Le(static_cast<uint16_t>(kHeaderSize + kSessionSetupRequestFixed));
  out.U16Le(static_cast<uint16_t>(security_buffer.size()));
  out.U64Le(previous_session_id);
  out.Bytes(security_buffer);
  return body;
}

bool ParseSessionSetupResponse(ByteSpan message, SessionSetupResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kSessionSetup, kSessionSetupResponseFixed + 1, &in)) {
    return false;
  }
  response->session_flags = in.U16Le();
  const uint16_t offset = in.U16Le();
  const uint16_t length = in.U16Le();
  ByteSpan security;
  if (!in.ok() || !Buffer(message, offset, length, kSessionSetupResponseFixed, &security)) {
    return false;
  }
  response->security_buffer.assign(security.begin(), security.end());
  return true;
}

Bytes LogoffRequestBody() { return FixedBody(4); }
bool ParseLogoffResponse(ByteSpan message) { return ParseFixedResponse(message, Command::kLogoff); }
Bytes TreeDisconnectRequestBody() { return FixedBody(4); }
bool ParseTreeDisconnectResponse(ByteSpan message) {
  return ParseFixedResponse(message, Command::kTreeDisconnect);
}

Bytes TreeConnectRequestBody(std::u16string_view path) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(kTreeConnectRequestFixed + 1);
  out.U16Le(0);  // flags
  out.U16Le(static_cast<uint16_t>(kHeaderSize + kTreeConnectRequestFixed));
  out.U16Le(static_cast<uint16_t>(2 * path.size()));
  PutUtf16(out, path);
  if (path.empty()) out.U8(0);
  return body;
}

bool ParseTreeConnectResponse(ByteSpan message, TreeConnectResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kTreeConnect, 16, &in)) return false;
  response->share_type = in.U8();
  in.Skip(1);
  response->share_flags = in.U32Le();
  response->capabilities = in.U32Le();
  response->maximal_access = in.U32Le();
  return in.ok();
}

Bytes CreateRequestBody(const CreateRequest& request) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(kCreateRequestFixed + 1);
  out.U8(0);  // security flags
  out.U8(0);  // no oplock
  out.U32Le(request.impersonation_level);
  out.U64Le(0);  // SmbCreateFlags
  out.U64Le(0);  // reserved
  out.U32Le(request.desired_access);
  out.U32Le(request.file_attributes);
  out.U32Le(request.share_access);
  out.U32Le(request.create_disposition);
  out.U32Le(request.create_options);
  out.U16Le(static_cast<uint16_t>(kHeaderSize + kCreateRequestFixed));
  out.U16Le(static_cast<uint16_t>(2 * request.name.size()));
  out.U32Le(0);  // no create contexts
  out.U32Le(0);
  PutUtf16(out, request.name);
  // The buffer is never empty, even for the share's root.
  if (request.name.empty()) out.U8(0);
  return body;
}

bool ParseCreateResponse(ByteSpan message, CreateResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kCreate, kCreateResponseFixed + 1, &in)) return false;
  in.Skip(2);  // oplock level, flags
  response->create_action = in.U32Le();
  in.Skip(32);  // creation, last access, last write and change times
  in.Skip(8);   // allocation size
  response->end_of_file = in.U64Le();
  response->file_attributes = in.U32Le();
  in.Skip(4);
  in.CopyTo(response->file_id.bytes.data(), response->file_id.bytes.size());
  const uint32_t contexts_offset = in.U32Le();
  const uint32_t contexts_length = in.U32Le();
  ByteSpan contexts;
  return in.ok() &&
         Buffer(message, contexts_offset, contexts_length, kCreateResponseFixed, &contexts);
}

Bytes CloseRequestBody(const FileId& file_id) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(24);
  out.U16Le(0);  // flags: no attributes wanted back
  out.U32Le(0);
  out.Bytes(file_id.bytes);
  return body;
}

bool ParseCloseResponse(ByteSpan message) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kClose, 60, &in)) return false;
  in.Skip(58);
  return in.ok();
}

Bytes ReadRequestBody(const FileId& file_id, uint32_t length, uint64_t offset) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(49);
  // Where we would like the data in the response: right after its body.
  out.U8(static_cast<uint8_t>(kHeaderSize + kReadResponseFixed));
  out.U8(0);  // flags
  out.U32Le(length);
  out.U64Le(offset);
  out.Bytes(file_id.bytes);
  out.U32Le(0);  // minimum count
  out.U32Le(0);  // channel
  out.U32Le(0);  // remaining bytes
  out.U16Le(0);  // no channel information
  out.U16Le(0);
  out.U8(0);  // the one-byte buffer
  return body;
}

bool ParseReadResponse(ByteSpan message, ReadResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kRead, kReadResponseFixed + 1, &in)) return false;
  const uint8_t offset = in.U8();
  in.Skip(1);
  const uint32_t length = in.U32Le();
  response->data_remaining = in.U32Le();
  in.Skip(4);
  return in.ok() && Buffer(message, offset, length, kReadResponseFixed, &response->data);
}

Bytes WriteRequestBody(const FileId& file_id, uint64_t offset, ByteSpan data) {
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(kWriteRequestFixed + 1);
  out.U16Le(static_cast<uint16_t>(kHeaderSize + kWriteRequestFixed));
  out.U32Le(static_cast<uint32_t>(data.size()));
  out.U64Le(offset);
  out.Bytes(file_id.bytes);
  out.U32Le(0);  // channel
  out.U32Le(0);  // remaining bytes
  out.U16Le(0);  // no channel information
  out.U16Le(0);
  out.U32Le(0);  // flags
  out.Bytes(data);
  if (data.empty()) out.U8(0);
  return body;
}

bool ParseWriteResponse(ByteSpan message, WriteResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kWrite, 17, &in)) return false;
  in.Skip(2);
  response->count = in.U32Le();
  in.Skip(8);  // remaining, channel information
  return in.ok();
}

Bytes IoctlRequestBody(uint32_t ctl_code, const FileId& file_id, ByteSpan input,
                       uint32_t max_output, bool is_fsctl) {
  const size_t input_offset = kHeaderSize + kIoctlRequestFixed;
  Bytes body;
  auto out = ByteWriter::AppendTo(body);
  out.U16Le(kIoctlRequestFixed + 1);
  out.U16Le(0);
  out.U32Le(ctl_code);
  out.Bytes(file_id.bytes);
  out.U32Le(static_cast<uint32_t>(input_offset));
  out.U32Le(static_cast<uint32_t>(input.size()));
  out.U32Le(0);  // no input wanted back
  out.U32Le(static_cast<uint32_t>(input_offset + input.size()));
  out.U32Le(0);  // no output sent
  out.U32Le(max_output);
  out.U32Le(is_fsctl ? 1 : 0);
  out.U32Le(0);
  out.Bytes(input);
  if (input.empty()) out.U8(0);
  return body;
}

bool ParseIoctlResponse(ByteSpan message, IoctlResponse* response) {
  ByteReader in(message);
  if (!OpenResponse(message, Command::kIoctl, kIoctlResponseFixed + 1, &in)) return false;
  in.Skip(2);
  response->ctl_code = in.U32Le();
  in.CopyTo(response->file_id.bytes.data(), response->file_id.bytes.size());
  const uint32_t input_offset = in.U32Le();
  const uint32_t input_count = in.U32Le();
  const uint32_t output_offset = in.U32Le();
  const uint32_t output_count = in.U32Le();
  in.Skip(8);  // flags, reserved
  ByteSpan input;
  return in.ok() && Buffer(message, input_offset, input_count, kIoctlResponseFixed, &input) &&
         Buffer(message, output_offset, output_count, kIoctlResponseFixed, &response->output);
}

Bytes ValidateNegotiateInfoInput(uint32_t capabilities, const Guid& client_guid,
                                 uint16_t security_mode, std::span<const uint16_t> dialects) {
  Bytes input;
  auto out = ByteWriter::AppendTo(input);
  out.U32Le(capabilities);
  out.Bytes(client_guid);
  out.U16Le(security_mode);
  out.U16Le(static_cast<uint16_t>(dialects.size()));
  for (const uint16_t dialect : dialects) out.U16Le(dialect);
  return input;
}

bool ParseValidateNegotiateInfo(ByteSpan output, ValidateNegotiateInfo* info) {
  ByteReader in(output);
  info->capabilities = in.U32Le();
  in.CopyTo(info->server_guid.data(), info->server_guid.size());
  info->security_mode = in.U16Le();
  info->dialect = in.U16Le();
  return in.ok();
}

bool ParseErrorResponse(ByteSpan message, ErrorResponse* response) {
  Header header;
  if (!ParseHeader(message, &header) || !(header.flags & kFlagServerToRedir)) return false;
  ByteReader in(message);
  in.Skip(kHeaderSize);
  const bool size_ok = in.U16Le() == kErrorResponseFixed + 1;
  response->error_context_count = in.U8();
  in.Skip(1);
  const uint32_t byte_count = in.U32Le();
  response->error_data = in.Bytes(byte_count);
  return in.ok() && size_ok;
}

bool CarriesErrorBody(const Header& header) {
  switch (header.status) {
    case kStatusSuccess:
      return false;
    case kStatusMoreProcessingRequired:
      return header.command != Command::kSessionSetup;
    case kStatusBufferOverflow:
      return header.command != Command::kRead && header.command != Command::kIoctl;
    default:
      return true;
  }
}

}  // namespace winreach::smb
