#include "smb/nt_status.h"

#include "platform/status_codes.h"

namespace winreach::smb {

namespace {

struct Mapping {
  uint32_t nt_status;
  uint32_t windows_code;
};

// As RtlNtStatusToDosError maps them. A session that expired is
// authenticated again by the client, so its status needs no row here.
constexpr Mapping kMappings[] = {
    {kStatusPending, status::kIoPending},
    {kStatusBufferOverflow, status::kMoreData},
    {kStatusUnsuccessful, status::kGenFailure},
    {kStatusNotImplemented, status::kInvalidFunction},
    {kStatusInvalidInfoClass, status::kInvalidParameter},
    {kStatusInvalidHandle, status::kInvalidHandle},
    {kStatusInvalidParameter, status::kInvalidParameter},
    {kStatusNoSuchFile, status::kFileNotFound},
    {kStatusInvalidDeviceRequest, status::kInvalidFunction},
    {kStatusEndOfFile, status::kHandleEof},
    {kStatusMoreProcessingRequired, status::kMoreData},
    {kStatusNoMemory, status::kNotEnoughMemory},
    {kStatusAccessDenied, status::kAccessDenied},
    {kStatusBufferTooSmall, status::kInsufficientBuffer},
    {kStatusObjectNameInvalid, status::kInvalidName},
    {kStatusObjectNameNotFound, status::kFileNotFound},
    {kStatusObjectNameCollision, status::kAlreadyExists},
    {kStatusObjectPathNotFound, status::kPathNotFound},
    {kStatusSharingViolation, status::kSharingViolation},
    {kStatusDeletePending, status::kAccessDenied},
    {kStatusNoLogonServers, status::kNoLogonServers},
    {kStatusNoSuchUser, status::kNoSuchUser},
    {kStatusWrongPassword, status::kInvalidPassword},
    {kStatusLogonFailure, status::kLogonFailure},
    {kStatusAccountRestriction, status::kAccountRestriction},
    {kStatusInvalidLogonHours, status::kInvalidLogonHours},
    {kStatusInvalidWorkstation, status::kInvalidWorkstation},
    {kStatusPasswordExpired, status::kPasswordExpired},
    {kStatusAccountDisabled, status::kAccountDisabled},
    {kStatusInsufficientResources, status::kNoSystemResources},
    {kStatusInstanceNotAvailable, status::kPipeBusy},
    {kStatusPipeNotAvailable, status::kPipeBusy},
    {kStatusInvalidPipeState, status::kBadPipe},
    {kStatusPipeBusy, status::kPipeBusy},
    {kStatusPipeDisconnected, status::kPipeNotConnected},
    {kStatusPipeClosing, status::kNoData},
    {kStatusIoTimeout, status::kSemTimeout},
    {kStatusFileIsADirectory, status::kAccessDenied},
    {kStatusNotSupported, status::kNotSupported},
    {kStatusRemoteNotListening, status::kRemNotListening},
    {kStatusDuplicateName, status::kDuplicateName},
    {kStatusBadNetworkPath, status::kBadNetPath},
    {kStatusNetworkBusy, status::kNetworkBusy},
    {kStatusInvalidNetworkResponse, status::kBadNetResponse},
    {kStatusUnexpectedNetworkError, status::kUnexpectedNetError},
    {kStatusNetworkNameDeleted, status::kNetNameDeleted},
    {kStatusNetworkAccessDenied, status::kNetworkAccessDenied},
    {kStatusBadDeviceType, status::kBadDeviceType},
    {kStatusBadNetworkName, status::kBadNetName},
    {kStatusRequestNotAccepted, status::kRequestNotAccepted},
    {kStatusPipeEmpty, status::kNoData},
    {kStatusNotADirectory, status::kDirectory},
    {kStatusCancelled, status::kOperationAborted},
    {kStatusFileClosed, status::kInvalidHandle},
    {kStatusTimeDifferenceAtDc, status::kTimeSkew},
    {kStatusInvalidLevel, status::kInvalidLevel},
    {kStatusPipeBroken, status::kBrokenPipe},
    {kStatusLogonTypeNotGranted, status::kLogonTypeNotGranted},
    {kStatusTrustedRelationshipFailure, status::kTrustedRelationshipFailure},
    {kStatusAccountExpired, status::kAccountExpired},
    {kStatusUserSessionDeleted, status::kUnexpectedNetError},
    {kStatusConnectionDisconnected, status::kNetNameDeleted},
    {kStatusConnectionReset, status::kNetNameDeleted},
    {kStatusPasswordMustChange, status::kPasswordMustChange},
    {kStatusNotFound, status::kNotFound},
    {kStatusAccountLockedOut, status::kAccountLockedOut},
    {kStatusDowngradeDetected, status::kDowngradeDetected},
    {kStatusNtlmBlocked, status::kNtlmBlocked},
};

}  // namespace

uint32_t WindowsCodeFromNtStatus(uint32_t nt_status) {
  for (const auto& mapping : kMappings) {
    if (mapping.nt_status == nt_status) return mapping.windows_code;
  }
  // Other success statuses are success; any other warning or error is one
  // we did not expect from an SMB server.
  if ((nt_status >> 30) == 0) return status::kSuccess;
  return status::kUnexpectedNetError;
}

}  // namespace winreach::smb
