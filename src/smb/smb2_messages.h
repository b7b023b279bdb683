// The bodies of the SMB2 requests the client sends and the parsers of the
// responses it reads. A request body is the bytes after the header; its
// offsets count from the header's start, so the builders place it at byte
// 64. A response parser takes the whole message, header included, because
// the response's offsets count from there; it checks the header (an SMB2
// response to that command), the body's StructureSize, and that every
// buffer lies after the fixed part of the body and inside the message.
// Views it returns (ByteSpan members) point into the message given.
//
// Read the header's status first: an error answer carries the error body
// (ParseErrorResponse), except the few statuses that keep the command's
// own body (see CarriesErrorBody).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "smb/crypto.h"
#include "smb/smb2_header.h"

namespace winreach::smb {

// Dialects.
inline constexpr uint16_t kDialect202 = 0x0202;
inline constexpr uint16_t kDialect210 = 0x0210;
inline constexpr uint16_t kDialect300 = 0x0300;
inline constexpr uint16_t kDialect302 = 0x0302;
inline constexpr uint16_t kDialect311 = 0x0311;
// The answer of a server that wants an SMB2 negotiate after an SMB1 one.
inline constexpr uint16_t kDialectWildcard = 0x02FF;

// Security mode.
inline constexpr uint16_t kSigningEnabled = 0x1;
inline constexpr uint16_t kSigningRequired = 0x2;

// Global capabilities.
inline constexpr uint32_t kCapDfs = 0x01;
inline constexpr uint32_t kCapLeasing = 0x02;
inline constexpr uint32_t kCapLargeMtu = 0x04;
inline constexpr uint32_t kCapMultiChannel = 0x08;
inline constexpr uint32_t kCapPersistentHandles = 0x10;
inline constexpr uint32_t kCapDirectoryLeasing = 0x20;
inline constexpr uint32_t kCapEncryption = 0x40;

// 3.1.1 negotiate contexts and the algorithms they name.
inline constexpr uint16_t kPreauthIntegrityCapabilities = 1;
inline constexpr uint16_t kEncryptionCapabilities = 2;
inline constexpr uint16_t kSigningCapabilities = 8;
inline constexpr uint16_t kPreauthSha512 = 1;
inline constexpr uint16_t kCipherAes128Ccm = 1;
inline constexpr uint16_t kCipherAes128Gcm = 2;
inline constexpr uint16_t kCipherAes256Ccm = 3;
inline constexpr uint16_t kCipherAes256Gcm = 4;
inline constexpr uint16_t kSigningHmacSha256 = 0;
inline constexpr uint16_t kSigningAesCmac = 1;
inline constexpr uint16_t kSigningAesGmac = 2;

using Guid = std::array<uint8_t, 16>;

// NEGOTIATE.
struct NegotiateRequest {
  std::vector<uint16_t> dialects;
  uint16_t security_mode = kSigningEnabled;
  uint32_t capabilities = 0;
  Guid client_guid{};
  // Sent as negotiate contexts when kDialect311 is among the dialects; an
  // empty list leaves its context out.
  std::array<uint8_t, 32> salt{};
  std::vector<uint16_t> ciphers;
  std::vector<uint16_t> signing_algorithms;
};
Bytes NegotiateRequestBody(const NegotiateRequest& request);

struct NegotiateResponse {
  uint16_t security_mode = 0;
  uint16_t dialect = 0;
  Guid server_guid{};
  uint32_t capabilities = 0;
  uint32_t max_transact_size = 0;
  uint32_t max_read_size = 0;
  uint32_t max_write_size = 0;
  Bytes security_buffer;
  // 3.1.1 only: the server's choices. cipher 0: none in common.
  uint16_t preauth_hash_algorithm = 0;
  uint16_t cipher = 0;
  std::optional<uint16_t> signing_algorithm;
};
// For 3.1.1, exactly one preauth integrity context naming one algorithm, at
// most one cipher and one signing algorithm; contexts of other types are
// skipped. The wildcard dialect is returned as it came.
bool ParseNegotiateResponse(ByteSpan message, NegotiateResponse* response);

// SESSION_SETUP.
inline constexpr uint16_t kSessionFlagIsGuest = 0x1;
inline constexpr uint16_t kSessionFlagIsNull = 0x2;
inline constexpr uint16_t kSessionFlagEncryptData = 0x4;

Bytes SessionSetupRequestBody(uint8_t security_mode, uint32_t capabilities,
                              ByteSpan security_buffer, uint64_t previous_session_id = 0);
struct SessionSetupResponse {
  uint16_t session_flags = 0;
  Bytes security_buffer;
};
bool ParseSessionSetupResponse(ByteSpan message, SessionSetupResponse* response);

// LOGOFF and TREE_DISCONNECT: nothing but a structure size each way.
Bytes LogoffRequestBody();
bool ParseLogoffResponse(ByteSpan message);
Bytes TreeDisconnectRequestBody();
bool ParseTreeDisconnectResponse(ByteSpan message);

// TREE_CONNECT.
inline constexpr uint8_t kShareTypeDisk = 1;
inline constexpr uint8_t kShareTypePipe = 2;
inline constexpr uint8_t kShareTypePrint = 3;
inline constexpr uint32_t kShareFlagEncryptData = 0x8000;

// `path` names the share: u"\\\\host\\IPC$".
Bytes TreeConnectRequestBody(std::u16string_view path);
struct TreeConnectResponse {
  uint8_t share_type = 0;
  uint32_t share_flags = 0;
  uint32_t capabilities = 0;
  uint32_t maximal_access = 0;
};
bool ParseTreeConnectResponse(ByteSpan message, TreeConnectResponse* response);

// CREATE.
struct FileId {
  std::array<uint8_t, 16> bytes{};
  bool operator==(const FileId&) const = default;
};
// The file id that IOCTLs addressed to no file carry.
inline constexpr FileId kNoFileId{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};

// Access rights, share access, dispositions and options a client opens with.
inline constexpr uint32_t kFileReadData = 0x00000001;
inline constexpr uint32_t kFileWriteData = 0x00000002;
inline constexpr uint32_t kFileAppendData = 0x00000004;
inline constexpr uint32_t kFileReadEa = 0x00000008;
inline constexpr uint32_t kFileReadAttributes = 0x00000080;
inline constexpr uint32_t kReadControl = 0x00020000;
inline constexpr uint32_t kSynchronize = 0x00100000;
inline constexpr uint32_t kMaximumAllowed = 0x02000000;
inline constexpr uint32_t kGenericRead = 0x80000000;
inline constexpr uint32_t kFileShareRead = 0x1;
inline constexpr uint32_t kFileShareWrite = 0x2;
inline constexpr uint32_t kFileShareDelete = 0x4;
inline constexpr uint32_t kFileOpen = 1;
inline constexpr uint32_t kFileDirectoryFile = 0x00000001;
inline constexpr uint32_t kFileNonDirectoryFile = 0x00000040;
inline constexpr uint32_t kImpersonation = 2;

struct CreateRequest {
  uint32_t desired_access = 0;
  uint32_t file_attributes = 0;
  uint32_t share_access = 0;
  uint32_t create_disposition = kFileOpen;
  uint32_t create_options = 0;
  uint32_t impersonation_level = kImpersonation;
  std::u16string name;  // relative to the share, no leading backslash
};
Bytes CreateRequestBody(const CreateRequest& request);

struct CreateResponse {
  FileId file_id;
  uint32_t file_attributes = 0;
  uint64_t end_of_file = 0;
  uint32_t create_action = 0;
};
bool ParseCreateResponse(ByteSpan message, CreateResponse* response);

// CLOSE.
Bytes CloseRequestBody(const FileId& file_id);
bool ParseCloseResponse(ByteSpan message);

// READ.
Bytes ReadRequestBody(const FileId& file_id, uint32_t length, uint64_t offset);
struct ReadResponse {
  ByteSpan data;  // into the message
  uint32_t data_remaining = 0;
};
bool ParseReadResponse(ByteSpan message, ReadResponse* response);

// WRITE.
Bytes WriteRequestBody(const FileId& file_id, uint64_t offset, ByteSpan data);
struct WriteResponse {
  uint32_t count = 0;
};
bool ParseWriteResponse(ByteSpan message, WriteResponse* response);

// IOCTL.
inline constexpr uint32_t kFsctlPipeTransceive = 0x0011C017;
inline constexpr uint32_t kFsctlValidateNegotiateInfo = 0x00140204;

Bytes IoctlRequestBody(uint32_t ctl_code, const FileId& file_id, ByteSpan input,
                       uint32_t max_output, bool is_fsctl = true);
struct IoctlResponse {
  uint32_t ctl_code = 0;
  FileId file_id;
  ByteSpan output;  // into the message
};
bool ParseIoctlResponse(ByteSpan message, IoctlResponse* response);

// FSCTL_VALIDATE_NEGOTIATE_INFO: what the client negotiated with, sent
// (signed) for the server to compare, and what the server negotiated.
Bytes ValidateNegotiateInfoInput(uint32_t capabilities, const Guid& client_guid,
                                 uint16_t security_mode, std::span<const uint16_t> dialects);
struct ValidateNegotiateInfo {
  uint32_t capabilities = 0;
  Guid server_guid{};
  uint16_t security_mode = 0;
  uint16_t dialect = 0;
};
// `output` is the IOCTL response's output.
bool ParseValidateNegotiateInfo(ByteSpan output, ValidateNegotiateInfo* info);

// The error body (any command). Its ErrorData byte may be missing when
// there is no error data: Windows sends 8 bytes instead of 9.
struct ErrorResponse {
  uint8_t error_context_count = 0;
  ByteSpan error_data;  // into the message
};
bool ParseErrorResponse(ByteSpan message, ErrorResponse* response);

// Whether a response with this header carries the error body rather than
// its command's own: every status but success, except more processing on
// SESSION_SETUP and buffer overflow on READ and IOCTL. Interim (pending)
// answers carry the error body.
bool CarriesErrorBody(const Header& header);

}  // namespace winreach::smb
