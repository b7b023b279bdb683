// Windows status codes that the logic and the Linux platform name. The values
// are the platform's (winerror.h, lmerr.h, winsock2.h); the names avoid the
// SDK's macros so that this header can stand beside them in the Windows build.
#pragma once

#include <cstdint>

namespace winreach::status {

inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kTooManyOpenFiles = 4;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kGenFailure = 31;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kHandleEof = 38;
inline constexpr uint32_t kNotSupported = 50;
inline constexpr uint32_t kRemNotListening = 51;  // ERROR_REM_NOT_LIST
inline constexpr uint32_t kDuplicateName = 52;    // ERROR_DUP_NAME
inline constexpr uint32_t kBadNetPath = 53;
inline constexpr uint32_t kNetworkBusy = 54;
inline constexpr uint32_t kBadNetResponse = 58;   // ERROR_BAD_NET_RESP
inline constexpr uint32_t kUnexpectedNetError = 59;
inline constexpr uint32_t kNetNameDeleted = 64;
inline constexpr uint32_t kNetworkAccessDenied = 65;
inline constexpr uint32_t kBadDeviceType = 66;    // ERROR_BAD_DEV_TYPE
inline constexpr uint32_t kBadNetName = 67;
inline constexpr uint32_t kRequestNotAccepted = 71;  // ERROR_REQ_NOT_ACCEP
inline constexpr uint32_t kInvalidPassword = 86;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kBrokenPipe = 109;
inline constexpr uint32_t kSemTimeout = 121;  // ERROR_SEM_TIMEOUT
inline constexpr uint32_t kInsufficientBuffer = 122;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kInvalidLevel = 124;
inline constexpr uint32_t kModuleNotFound = 126;
inline constexpr uint32_t kProcedureNotFound = 127;
inline constexpr uint32_t kBadPathname = 161;
inline constexpr uint32_t kAlreadyExists = 183;
inline constexpr uint32_t kBadPipe = 230;
inline constexpr uint32_t kPipeBusy = 231;
inline constexpr uint32_t kNoData = 232;
inline constexpr uint32_t kPipeNotConnected = 233;
inline constexpr uint32_t kMoreData = 234;
inline constexpr uint32_t kDirectory = 267;  // ERROR_DIRECTORY: not a directory
inline constexpr uint32_t kOperationAborted = 995;
inline constexpr uint32_t kIoPending = 997;
inline constexpr uint32_t kNotFound = 1168;
inline constexpr uint32_t kSessionCredentialConflict = 1219;
inline constexpr uint32_t kNetworkUnreachable = 1231;  // ERROR_NETWORK_UNREACHABLE
inline constexpr uint32_t kHostUnreachable = 1232;     // ERROR_HOST_UNREACHABLE
inline constexpr uint32_t kDowngradeDetected = 1265;
inline constexpr uint32_t kSmbGuestLogonBlocked = 1272;  // ERROR_SMB_GUEST_LOGON_BLOCKED
inline constexpr uint32_t kNoLogonServers = 1311;
inline constexpr uint32_t kNoSuchUser = 1317;
inline constexpr uint32_t kLogonFailure = 1326;
inline constexpr uint32_t kAccountRestriction = 1327;
inline constexpr uint32_t kInvalidLogonHours = 1328;
inline constexpr uint32_t kInvalidWorkstation = 1329;
inline constexpr uint32_t kPasswordExpired = 1330;
inline constexpr uint32_t kAccountDisabled = 1331;
inline constexpr uint32_t kLogonTypeNotGranted = 1385;
inline constexpr uint32_t kWrongTargetName = 1396;
inline constexpr uint32_t kTimeSkew = 1398;
inline constexpr uint32_t kNoSystemResources = 1450;
inline constexpr uint32_t kTrustedRelationshipFailure = 1789;
inline constexpr uint32_t kAccountExpired = 1793;
inline constexpr uint32_t kPasswordMustChange = 1907;
inline constexpr uint32_t kAccountLockedOut = 1909;
inline constexpr uint32_t kWorkstationNotStarted = 2138;  // NERR_WkstaNotStarted

// RPC.
inline constexpr uint32_t kRpcUnknownInterface = 1717;
inline constexpr uint32_t kRpcServerUnavailable = 1722;
inline constexpr uint32_t kRpcServerTooBusy = 1723;
inline constexpr uint32_t kRpcCallFailed = 1726;
inline constexpr uint32_t kRpcProtocolError = 1728;
inline constexpr uint32_t kRpcUnsupportedTransferSyntax = 1730;
inline constexpr uint32_t kNtlmBlocked = 1937;

// Windows Sockets.
inline constexpr uint32_t kWsaInterrupted = 10004;
inline constexpr uint32_t kWsaBadHandle = 10009;
inline constexpr uint32_t kWsaAccess = 10013;
inline constexpr uint32_t kWsaFault = 10014;
inline constexpr uint32_t kWsaInvalidArgument = 10022;
inline constexpr uint32_t kWsaTooManySockets = 10024;
inline constexpr uint32_t kWsaNotASocket = 10038;
inline constexpr uint32_t kWsaMessageSize = 10040;
inline constexpr uint32_t kWsaProtocolNotSupported = 10043;
inline constexpr uint32_t kWsaSocketTypeNotSupported = 10044;
inline constexpr uint32_t kWsaAddressFamilyNotSupported = 10047;
inline constexpr uint32_t kWsaAddressInUse = 10048;
inline constexpr uint32_t kWsaAddressNotAvailable = 10049;
inline constexpr uint32_t kWsaNetworkDown = 10050;
inline constexpr uint32_t kWsaNetworkUnreachable = 10051;
inline constexpr uint32_t kWsaConnectionReset = 10054;
inline constexpr uint32_t kWsaNoBuffers = 10055;
inline constexpr uint32_t kWsaNotConnected = 10057;
inline constexpr uint32_t kWsaTimedOut = 10060;
inline constexpr uint32_t kWsaConnectionRefused = 10061;
inline constexpr uint32_t kWsaHostDown = 10064;
inline constexpr uint32_t kWsaHostUnreachable = 10065;
inline constexpr uint32_t kWsaSystemCallFailure = 10107;
inline constexpr uint32_t kWsaTypeNotFound = 10109;
inline constexpr uint32_t kWsaHostNotFound = 11001;
inline constexpr uint32_t kWsaTryAgain = 11002;
inline constexpr uint32_t kWsaNoRecovery = 11003;
inline constexpr uint32_t kWsaNoData = 11004;

}  // namespace winreach::status
