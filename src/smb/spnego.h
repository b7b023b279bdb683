// SPNEGO, as the SMB session setup carries it: the server's NegTokenInit
// from the negotiate response (which mechanisms it offers), our
// NegTokenInit with the first mechanism token, and the NegTokenResp
// exchanged after it in both directions.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "smb/crypto.h"

namespace winreach::smb {

// Object identifiers, as the contents of their DER encoding.
inline constexpr uint8_t kOidSpnego[] = {0x2b, 0x06, 0x01, 0x05, 0x05, 0x02};  // 1.3.6.1.5.5.2
// 1.3.6.1.4.1.311.2.2.10
inline constexpr uint8_t kOidNtlmssp[] = {0x2b, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x02, 0x0a};
// 1.2.840.113554.1.2.2
inline constexpr uint8_t kOidKerberos[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x12, 0x01, 0x02, 0x02};
// 1.2.840.48018.1.2.2, the one older Windows versions announce Kerberos by
inline constexpr uint8_t kOidMsKerberos[] = {0x2a, 0x86, 0x48, 0x82, 0xf7, 0x12, 0x01, 0x02, 0x02};

struct NegTokenInit {
  std::vector<Bytes> mech_types;  // OID contents, in the server's order
  Bytes mech_token;
};

// Reads an InitialContextToken ([APPLICATION 0], the SPNEGO OID, then a
// negTokenInit or Microsoft's negTokenInit2 with its negHints). False when
// it is malformed, names another mechanism or offers no mechanism.
bool ParseNegTokenInit(ByteSpan token, NegTokenInit* out);

bool Offers(const NegTokenInit& init, ByteSpan oid);

// The DER MechTypeList of the given mechanisms: what our NegTokenInit
// carries and what the mechListMIC is computed over.
Bytes MechTypeList(std::initializer_list<ByteSpan> oids);

// Our first token: [APPLICATION 0] { SPNEGO OID, negTokenInit { mechTypes,
// mechToken } }.
Bytes BuildNegTokenInit(ByteSpan mech_type_list, ByteSpan mech_token);

enum class NegState : uint8_t {
  kAcceptCompleted = 0,
  kAcceptIncomplete = 1,
  kReject = 2,
  kRequestMic = 3,
};

struct NegTokenResp {
  std::optional<NegState> state;
  Bytes supported_mech;  // OID contents; empty when absent
  Bytes response_token;
  std::optional<Bytes> mech_list_mic;
};

// Reads a negTokenResp ([1] { SEQUENCE { ... } }). False when malformed or
// when negState holds a value outside the four.
bool ParseNegTokenResp(ByteSpan token, NegTokenResp* out);

// Our later tokens: a negTokenResp with the responseToken and, when not
// empty, the mechListMIC (negState and supportedMech are the server's).
Bytes BuildNegTokenResp(ByteSpan response_token, ByteSpan mech_list_mic);

}  // namespace winreach::smb
