#include "smb/smb2_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/bytes.h"
#include "smb/nt_status.h"
#include "tests/data/smb2_captures.h"

namespace winreach::smb {
namespace {

using capture::kClose;
using capture::kCreatePipe;
using capture::kIoctlNotFound;
using capture::kIoctlPending;
using capture::kIoctlTransceive;
using capture::kNegotiateResponse;
using capture::kReadFile;
using capture::kSessionSetupMoreProcessing;
using capture::kSessionSetupSigned;
using capture::kTreeConnectIpc;
using capture::kTreeDisconnect;

Bytes Copy(ByteSpan bytes) { return Bytes(bytes.begin(), bytes.end()); }

// `message` with the little-endian integer of `size` bytes at `offset`
// replaced by `value`.
Bytes Patched(ByteSpan message, size_t offset, size_t size, uint32_t value) {
  Bytes patched = Copy(message);
  for (size_t i = 0; i < size; ++i) patched[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  return patched;
}

TEST(NegotiateRequestTest, LaysOutTheContextsAlignedFromTheHeader) {
  NegotiateRequest request;
  request.dialects = {kDialect202, kDialect210, kDialect300, kDialect302, kDialect311};
  request.security_mode = kSigningEnabled;
  request.capabilities = kCapLargeMtu | kCapEncryption;
  for (uint8_t i = 0; i < 16; ++i) request.client_guid[i] = static_cast<uint8_t>(1 + i);
  for (uint8_t i = 0; i < 32; ++i) request.salt[i] = static_cast<uint8_t>(0x20 + i);
  request.ciphers = {kCipherAes128Gcm, kCipherAes128Ccm};
  request.signing_algorithms = {kSigningAesGmac, kSigningAesCmac};

  Bytes expected = {0x24, 0, 5, 0, 1, 0, 0, 0, 0x44, 0, 0, 0};
  for (uint8_t i = 0; i < 16; ++i) expected.push_back(static_cast<uint8_t>(1 + i));
  // The first context at 112 from the header's start, three of them.
  expected.insert(expected.end(), {0x70, 0, 0, 0, 3, 0, 0, 0});
  expected.insert(expected.end(), {0x02, 0x02, 0x10, 0x02, 0x00, 0x03, 0x02, 0x03, 0x11, 0x03});
  expected.insert(expected.end(), {0, 0});  // to 112
  expected.insert(expected.end(), {1, 0, 38, 0, 0, 0, 0, 0, 1, 0, 32, 0, 1, 0});
  for (uint8_t i = 0; i < 32; ++i) expected.push_back(static_cast<uint8_t>(0x20 + i));
  expected.insert(expected.end(), {0, 0});  // to 160
  expected.insert(expected.end(), {2, 0, 6, 0, 0, 0, 0, 0, 2, 0, 2, 0, 1, 0});
  expected.insert(expected.end(), {0, 0});  // to 176
  expected.insert(expected.end(), {8, 0, 6, 0, 0, 0, 0, 0, 2, 0, 2, 0, 1, 0});
  EXPECT_EQ(expected, NegotiateRequestBody(request));

  // Without 3.1.1: a zero ClientStartTime and no contexts.
  request.dialects = {kDialect202, kDialect300};
  const Bytes plain = NegotiateRequestBody(request);
  ASSERT_EQ(36u + 4, plain.size());
  EXPECT_EQ(Bytes(8, 0), Bytes(plain.begin() + 28, plain.begin() + 36));
}

TEST(NegotiateResponseTest, ReadsSambasChoices) {
  NegotiateResponse response;
  ASSERT_TRUE(ParseNegotiateResponse(kNegotiateResponse, &response));
  EXPECT_EQ(kDialect311, response.dialect);
  EXPECT_EQ(kSigningEnabled, response.security_mode);
  EXPECT_EQ('t', response.server_guid[0]);  // Samba's: its name
  EXPECT_EQ(0x800000u, response.max_read_size);
  EXPECT_EQ(0x4Au, response.security_buffer.size());
  EXPECT_EQ(0x60, response.security_buffer[0]);  // the SPNEGO token's tag
  EXPECT_EQ(kPreauthSha512, response.preauth_hash_algorithm);
  EXPECT_EQ(kCipherAes128Gcm, response.cipher);
  EXPECT_EQ(kSigningAesGmac, response.signing_algorithm);
}

// Offsets in the captured negotiate response.
constexpr size_t kDialectAt = 68, kContextCountAt = 70, kSecurityOffsetAt = 120,
                 kSecurityLengthAt = 122, kContextOffsetAt = 124;
constexpr size_t kPreauthAt = 0xD0, kCipherAt = 0x100, kSigningAt = 0x110;

TEST(NegotiateResponseTest, ContextRulesAndUnknownContexts) {
  const ByteSpan original(kNegotiateResponse);
  NegotiateResponse response;
  // Another dialect: the contexts are not looked at.
  ASSERT_TRUE(ParseNegotiateResponse(Patched(original, kDialectAt, 2, kDialect302), &response));
  EXPECT_EQ(0, response.cipher);
  EXPECT_FALSE(response.signing_algorithm);
  // The wildcard comes back as it is.
  const Bytes wildcard = Patched(original, kDialectAt, 2, kDialectWildcard);
  ASSERT_TRUE(ParseNegotiateResponse(wildcard, &response));
  EXPECT_EQ(kDialectWildcard, response.dialect);
  // A context of a type we do not know is skipped.
  ASSERT_TRUE(ParseNegotiateResponse(Patched(original, kSigningAt, 2, 0x77), &response));
  EXPECT_FALSE(response.signing_algorithm);
  // No cipher in common.
  ASSERT_TRUE(ParseNegotiateResponse(Patched(original, kCipherAt + 10, 2, 0), &response));
  EXPECT_EQ(0, response.cipher);
}

TEST(NegotiateResponseTest, RefusesLyingOffsetsAndBrokenContexts) {
  const ByteSpan original(kNegotiateResponse);
  const struct {
    const char* what;
    size_t at, size;
    uint32_t value;
  } kCases[] = {
      {"security buffer inside the header", kSecurityOffsetAt, 2, 0x20},
      {"security buffer inside the body", kSecurityOffsetAt, 2, 0x70},
      {"security buffer past the end", kSecurityLengthAt, 2, 0xFFFF},
      {"contexts inside the body", kContextOffsetAt, 4, 0x48},
      {"contexts past the end", kContextOffsetAt, 4, sizeof(kNegotiateResponse) + 8},
      {"contexts at an enormous offset", kContextOffsetAt, 4, 0xFFFFFFF8},
      {"one context more than there are", kContextCountAt, 2, 4},
      {"no preauth context", kPreauthAt, 2, 0x77},
      {"two preauth algorithms", kPreauthAt + 8, 2, 2},
      {"salt running past its context", kPreauthAt + 10, 2, 33},
      {"context running past the message", kSigningAt + 2, 2, 5},
      {"two ciphers chosen", kCipherAt + 8, 2, 2},
      {"two signing algorithms chosen", kSigningAt + 8, 2, 2},
      {"a second cipher context", kSigningAt, 2, kEncryptionCapabilities},
      {"a second preauth context", kCipherAt, 2, kPreauthIntegrityCapabilities},
      {"structure size", kHeaderSize, 2, 64},
      {"command", 12, 2, static_cast<uint32_t>(Command::kSessionSetup)},
      {"a request, not a response", 16, 4, 0},
  };
  for (const auto& c : kCases) {
    NegotiateResponse response;
    EXPECT_FALSE(ParseNegotiateResponse(Patched(original, c.at, c.size, c.value), &response))
        << c.what;
  }
}

using Parser = bool (*)(ByteSpan);

template <typename Response, bool (*Parse)(ByteSpan, Response*)>
bool Parses(ByteSpan message) {
  Response response;
  return Parse(message, &response);
}
constexpr Parser kSessionSetup = Parses<SessionSetupResponse, ParseSessionSetupResponse>;
constexpr Parser kCreate = Parses<CreateResponse, ParseCreateResponse>;
constexpr Parser kIoctl = Parses<IoctlResponse, ParseIoctlResponse>;
constexpr Parser kRead = Parses<ReadResponse, ParseReadResponse>;
constexpr Parser kTreeConnect = Parses<TreeConnectResponse, ParseTreeConnectResponse>;

const struct {
  const char* name;
  ByteSpan message;
  Parser parse;
} kCaptures[] = {
    {"negotiate", kNegotiateResponse, Parses<NegotiateResponse, ParseNegotiateResponse>},
    {"session setup (more processing)", kSessionSetupMoreProcessing, kSessionSetup},
    {"session setup", kSessionSetupSigned, kSessionSetup},
    {"tree connect", kTreeConnectIpc, kTreeConnect},
    {"create", kCreatePipe, kCreate},
    {"ioctl", kIoctlTransceive, kIoctl},
    {"read", kReadFile, kRead},
    {"close", kClose, ParseCloseResponse},
    {"tree disconnect", kTreeDisconnect, ParseTreeDisconnectResponse},
};

TEST(ResponseParsersTest, AcceptCapturesAndRefuseEveryTruncation) {
  for (const auto& c : kCaptures) {
    EXPECT_TRUE(c.parse(c.message)) << c.name;
    Header header;
    ASSERT_TRUE(ParseHeader(c.message, &header));
    EXPECT_FALSE(CarriesErrorBody(header)) << c.name;
    for (size_t size = 0; size < c.message.size(); ++size) {
      EXPECT_FALSE(c.parse(c.message.first(size))) << c.name << " cut to " << size;
    }
    // Another command's parser does not take it.
    EXPECT_FALSE(ParseLogoffResponse(c.message)) << c.name;
  }
}

TEST(ResponseParsersTest, ReadWhatTheCapturesSay) {
  SessionSetupResponse setup;
  ASSERT_TRUE(ParseSessionSetupResponse(kSessionSetupMoreProcessing, &setup));
  EXPECT_EQ(0xA1, setup.security_buffer.at(0));  // SPNEGO negTokenResp
  ASSERT_TRUE(ParseSessionSetupResponse(kSessionSetupSigned, &setup));
  EXPECT_EQ(0, setup.session_flags);

  TreeConnectResponse tree;
  ASSERT_TRUE(ParseTreeConnectResponse(kTreeConnectIpc, &tree));
  EXPECT_EQ(kShareTypePipe, tree.share_type);
  EXPECT_EQ(0u, tree.share_flags & kShareFlagEncryptData);

  CreateResponse create;
  ASSERT_TRUE(ParseCreateResponse(kCreatePipe, &create));
  EXPECT_EQ(1u, create.create_action);  // opened
  EXPECT_NE(FileId{}, create.file_id);

  IoctlResponse ioctl;
  ASSERT_TRUE(ParseIoctlResponse(kIoctlTransceive, &ioctl));
  EXPECT_EQ(kFsctlPipeTransceive, ioctl.ctl_code);
  ASSERT_EQ(0x90u, ioctl.output.size());
  EXPECT_EQ(0x05, ioctl.output[0]);  // a DCE/RPC response
  EXPECT_EQ(0x02, ioctl.output[2]);

  ReadResponse read;
  ASSERT_TRUE(ParseReadResponse(kReadFile, &read));
  EXPECT_EQ("winreach test kernel image\n", std::string(read.data.begin(), read.data.end()));
  EXPECT_EQ(0u, read.data_remaining);
}

TEST(ResponseParsersTest, RefuseBuffersOutsideTheMessage) {
  const struct {
    const char* what;
    ByteSpan message;
    size_t at, size;
    uint32_t value;
    Parser parse;
  } kCases[] = {
      {"session setup buffer in the header", kSessionSetupMoreProcessing, 68, 2, 0, kSessionSetup},
      {"session setup buffer too long", kSessionSetupMoreProcessing, 70, 2, 0x1000, kSessionSetup},
      {"create contexts at no offset", kCreatePipe, 64 + 84, 4, 8, kCreate},
      {"ioctl output in the header", kIoctlTransceive, 64 + 32, 4, 0, kIoctl},
      {"ioctl output too long", kIoctlTransceive, 64 + 36, 4, 0x91, kIoctl},
      {"ioctl output enormous", kIoctlTransceive, 64 + 36, 4, 0xFFFFFFFF, kIoctl},
      {"ioctl input past the end", kIoctlTransceive, 64 + 28, 4, 0x200, kIoctl},
      {"read data in the body", kReadFile, 66, 1, 0x48, kRead},
      {"read data too long", kReadFile, 68, 4, 28, kRead},
      {"tree connect structure size", kTreeConnectIpc, 64, 2, 17, kTreeConnect},
  };
  for (const auto& c : kCases) {
    EXPECT_FALSE(c.parse(Patched(c.message, c.at, c.size, c.value))) << c.what;
  }
  // An empty buffer may stand anywhere.
  ReadResponse read;
  ASSERT_TRUE(ParseReadResponse(Patched(Patched(kReadFile, 68, 4, 0), 66, 1, 0), &read));
  EXPECT_TRUE(read.data.empty());
}

TEST(ErrorResponseTest, ReadsTheErrorBodyWithOrWithoutItsLastByte) {
  Header header;
  ASSERT_TRUE(ParseHeader(kIoctlNotFound, &header));
  EXPECT_EQ(kStatusNotFound, header.status);
  EXPECT_TRUE(CarriesErrorBody(header));
  ErrorResponse error;
  const ByteSpan message(kIoctlNotFound);
  EXPECT_TRUE(ParseErrorResponse(message, &error));
  // Without its last byte, as Windows 10 sends it.
  EXPECT_TRUE(ParseErrorResponse(message.first(message.size() - 1), &error));
  EXPECT_FALSE(ParseErrorResponse(message.first(message.size() - 2), &error));
  EXPECT_FALSE(ParseErrorResponse(Patched(message, 68, 4, 2), &error));  // data past the end

  Bytes with_data = Patched(message, 68, 4, 3);
  with_data.insert(with_data.end(), {0xAB, 0xCD});
  ASSERT_TRUE(ParseErrorResponse(with_data, &error));
  EXPECT_EQ((Bytes{0, 0xAB, 0xCD}), Copy(error.error_data));

  // The interim answer: asynchronous, pending, the error body.
  ASSERT_TRUE(ParseHeader(kIoctlPending, &header));
  EXPECT_TRUE(header.flags & kFlagAsyncCommand);
  EXPECT_NE(0u, header.async_id);
  EXPECT_TRUE(CarriesErrorBody(header));
  EXPECT_TRUE(ParseErrorResponse(kIoctlPending, &error));
}

TEST(ErrorResponseTest, StatusesThatKeepTheCommandsBody) {
  const struct {
    Command command;
    uint32_t status;
    bool error_body;
  } kCases[] = {
      {Command::kSessionSetup, kStatusMoreProcessingRequired, false},
      {Command::kIoctl, kStatusBufferOverflow, false},
      {Command::kRead, kStatusBufferOverflow, false},
      {Command::kCreate, kStatusBufferOverflow, true},
      {Command::kTreeConnect, kStatusMoreProcessingRequired, true},
      {Command::kSessionSetup, kStatusLogonFailure, true},
  };
  for (const auto& c : kCases) {
    Header header;
    header.command = c.command;
    header.status = c.status;
    EXPECT_EQ(c.error_body, CarriesErrorBody(header)) << static_cast<int>(c.command);
  }
}

// Where a request's buffer offset and length stand, and what they must find.
TEST(RequestBodiesTest, OffsetsFindTheirBuffersFromTheHeader) {
  const Bytes data = {'d', 'a', 't', 'a'};
  FileId file;
  file.bytes.fill(0x11);
  CreateRequest create;
  create.name = u"srvsvc";
  const Bytes name = {'s', 0, 'r', 0, 'v', 0, 's', 0, 'v', 0, 'c', 0};
  const Bytes ipc = {'\\', 0, '\\', 0, 'h', 0, '\\', 0, 'I', 0, 'P', 0, 'C', 0, '$', 0};
  const struct {
    const char* what;
    Bytes body;
    size_t offset_at, offset_size, length_at, length_size;
    Bytes expected;
  } kCases[] = {
      {"session setup", SessionSetupRequestBody(1, 0, data), 12, 2, 14, 2, data},
      {"tree connect", TreeConnectRequestBody(u"\\\\h\\IPC$"), 4, 2, 6, 2, ipc},
      {"create", CreateRequestBody(create), 44, 2, 46, 2, name},
      {"write", WriteRequestBody(file, 9, data), 2, 2, 4, 4, data},
      {"ioctl", IoctlRequestBody(kFsctlPipeTransceive, file, data, 4280), 24, 4, 28, 4, data},
  };
  const auto field = [](const Bytes& body, size_t at, size_t size) -> size_t {
    ByteReader in(body);
    in.Skip(at);
    return size == 2 ? in.U16Le() : in.U32Le();
  };
  for (const auto& c : kCases) {
    const size_t offset = field(c.body, c.offset_at, c.offset_size) - kHeaderSize;
    const size_t length = field(c.body, c.length_at, c.length_size);
    ASSERT_LE(offset + length, c.body.size()) << c.what;
    EXPECT_EQ(c.expected, Copy(ByteSpan(c.body).subspan(offset, length))) << c.what;
  }
}

TEST(RequestBodiesTest, EmptyBuffersStillTakeOneByte) {
  CreateRequest root;  // the share's root: no name
  EXPECT_EQ(57u, CreateRequestBody(root).size());
  EXPECT_EQ(49u, WriteRequestBody(FileId{}, 0, {}).size());
  EXPECT_EQ(57u, IoctlRequestBody(kFsctlPipeTransceive, FileId{}, {}, 0).size());
  EXPECT_EQ(49u, ReadRequestBody(FileId{}, 1024, 0).size());
  EXPECT_EQ(24u, CloseRequestBody(FileId{}).size());
  EXPECT_EQ((Bytes{4, 0, 0, 0}), LogoffRequestBody());
}

TEST(ValidateNegotiateInfoTest, InputAndOutput) {
  Guid guid;
  guid.fill(0x42);
  const uint16_t dialects[] = {kDialect300, kDialect302};
  Bytes expected = {0x7F, 0, 0, 0};
  expected.insert(expected.end(), guid.begin(), guid.end());
  expected.insert(expected.end(), {1, 0, 2, 0, 0x00, 0x03, 0x02, 0x03});
  EXPECT_EQ(expected, ValidateNegotiateInfoInput(0x7F, guid, kSigningEnabled, dialects));

  Bytes output = {0x44, 0, 0, 0};
  output.insert(output.end(), guid.begin(), guid.end());
  output.insert(output.end(), {3, 0, 0x02, 0x03});
  ValidateNegotiateInfo info;
  ASSERT_TRUE(ParseValidateNegotiateInfo(output, &info));
  EXPECT_EQ(0x44u, info.capabilities);
  EXPECT_EQ(guid, info.server_guid);
  EXPECT_EQ(kSigningEnabled | kSigningRequired, info.security_mode);
  EXPECT_EQ(kDialect302, info.dialect);
  EXPECT_FALSE(ParseValidateNegotiateInfo(ByteSpan(output).first(23), &info));
}

}  // namespace
}  // namespace winreach::smb
