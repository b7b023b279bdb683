// The NT statuses an SMB2 client meets in the header of a response, and the
// Windows error code that a Windows client reports for each.
#pragma once

#include <cstdint>

namespace winreach::smb {

inline constexpr uint32_t kStatusSuccess = 0x00000000;
inline constexpr uint32_t kStatusPending = 0x00000103;
inline constexpr uint32_t kStatusBufferOverflow = 0x80000005;
inline constexpr uint32_t kStatusUnsuccessful = 0xC0000001;
inline constexpr uint32_t kStatusNotImplemented = 0xC0000002;
inline constexpr uint32_t kStatusInvalidInfoClass = 0xC0000003;
inline constexpr uint32_t kStatusInvalidHandle = 0xC0000008;
inline constexpr uint32_t kStatusInvalidParameter = 0xC000000D;
inline constexpr uint32_t kStatusNoSuchFile = 0xC000000F;
inline constexpr uint32_t kStatusInvalidDeviceRequest = 0xC0000010;
inline constexpr uint32_t kStatusEndOfFile = 0xC0000011;
inline constexpr uint32_t kStatusMoreProcessingRequired = 0xC0000016;
inline constexpr uint32_t kStatusNoMemory = 0xC0000017;
inline constexpr uint32_t kStatusAccessDenied = 0xC0000022;
inline constexpr uint32_t kStatusBufferTooSmall = 0xC0000023;
inline constexpr uint32_t kStatusObjectNameInvalid = 0xC0000033;
inline constexpr uint32_t kStatusObjectNameNotFound = 0xC0000034;
inline constexpr uint32_t kStatusObjectNameCollision = 0xC0000035;
inline constexpr uint32_t kStatusObjectPathNotFound = 0xC000003A;
inline constexpr uint32_t kStatusSharingViolation = 0xC0000043;
inline constexpr uint32_t kStatusDeletePending = 0xC0000056;
inline constexpr uint32_t kStatusNoLogonServers = 0xC000005E;
inline constexpr uint32_t kStatusNoSuchUser = 0xC0000064;
inline constexpr uint32_t kStatusWrongPassword = 0xC000006A;
inline constexpr uint32_t kStatusLogonFailure = 0xC000006D;
inline constexpr uint32_t kStatusAccountRestriction = 0xC000006E;
inline constexpr uint32_t kStatusInvalidLogonHours = 0xC000006F;
inline constexpr uint32_t kStatusInvalidWorkstation = 0xC0000070;
inline constexpr uint32_t kStatusPasswordExpired = 0xC0000071;
inline constexpr uint32_t kStatusAccountDisabled = 0xC0000072;
inline constexpr uint32_t kStatusInsufficientResources = 0xC000009A;
inline constexpr uint32_t kStatusInstanceNotAvailable = 0xC00000AB;
inline constexpr uint32_t kStatusPipeNotAvailable = 0xC00000AC;
inline constexpr uint32_t kStatusInvalidPipeState = 0xC00000AD;
inline constexpr uint32_t kStatusPipeBusy = 0xC00000AE;
inline constexpr uint32_t kStatusPipeDisconnected = 0xC00000B0;
inline constexpr uint32_t kStatusPipeClosing = 0xC00000B1;
inline constexpr uint32_t kStatusIoTimeout = 0xC00000B5;
inline constexpr uint32_t kStatusFileIsADirectory = 0xC00000BA;
inline constexpr uint32_t kStatusNotSupported = 0xC00000BB;
inline constexpr uint32_t kStatusRemoteNotListening = 0xC00000BC;
inline constexpr uint32_t kStatusDuplicateName = 0xC00000BD;
inline constexpr uint32_t kStatusBadNetworkPath = 0xC00000BE;
inline constexpr uint32_t kStatusNetworkBusy = 0xC00000BF;
inline constexpr uint32_t kStatusInvalidNetworkResponse = 0xC00000C3;
inline constexpr uint32_t kStatusUnexpectedNetworkError = 0xC00000C4;
inline constexpr uint32_t kStatusNetworkNameDeleted = 0xC00000C9;
inline constexpr uint32_t kStatusNetworkAccessDenied = 0xC00000CA;
inline constexpr uint32_t kStatusBadDeviceType = 0xC00000CB;
inline constexpr uint32_t kStatusBadNetworkName = 0xC00000CC;
inline constexpr uint32_t kStatusRequestNotAccepted = 0xC00000D0;
inline constexpr uint32_t kStatusPipeEmpty = 0xC00000D9;
inline constexpr uint32_t kStatusNotADirectory = 0xC0000103;
inline constexpr uint32_t kStatusCancelled = 0xC0000120;
inline constexpr uint32_t kStatusFileClosed = 0xC0000128;
inline constexpr uint32_t kStatusTimeDifferenceAtDc = 0xC0000133;
inline constexpr uint32_t kStatusInvalidLevel = 0xC0000148;
inline constexpr uint32_t kStatusPipeBroken = 0xC000014B;
inline constexpr uint32_t kStatusLogonTypeNotGranted = 0xC000015B;
inline constexpr uint32_t kStatusTrustedRelationshipFailure = 0xC000018D;
inline constexpr uint32_t kStatusAccountExpired = 0xC0000193;
inline constexpr uint32_t kStatusUserSessionDeleted = 0xC0000203;
inline constexpr uint32_t kStatusConnectionDisconnected = 0xC000020C;
inline constexpr uint32_t kStatusConnectionReset = 0xC000020D;
inline constexpr uint32_t kStatusPasswordMustChange = 0xC0000224;
inline constexpr uint32_t kStatusNotFound = 0xC0000225;
inline constexpr uint32_t kStatusAccountLockedOut = 0xC0000234;
inline constexpr uint32_t kStatusNetworkSessionExpired = 0xC000035C;
inline constexpr uint32_t kStatusDowngradeDetected = 0xC0000388;
inline constexpr uint32_t kStatusNtlmBlocked = 0xC0000418;

// Errors have both top bits set; warnings (such as buffer overflow) only
// the first, and success and information neither.
inline constexpr bool IsNtError(uint32_t status) { return (status >> 30) == 3; }

// The Windows error code a Windows client reports for `status`: 0 for
// success. A status not in our table (Windows would say 317,
// ERROR_MR_MID_NOT_FOUND, which tells the user nothing) becomes 59,
// ERROR_UNEXP_NET_ERR, "an unexpected network error occurred".
uint32_t WindowsCodeFromNtStatus(uint32_t status);

}  // namespace winreach::smb
