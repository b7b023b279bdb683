#include "platform/posix/icmp_messages.h"

#include <linux/errqueue.h>

#include <cerrno>
#include <cstring>

namespace winreach {

namespace {

uint16_t BigEndian16(const uint8_t* at) { return static_cast<uint16_t>((at[0] << 8) | at[1]); }

uint8_t EchoRequestType(int family) {
  return family == AF_INET6 ? kIcmp6EchoRequest : kIcmp4EchoRequest;
}

uint8_t EchoReplyType(int family) { return family == AF_INET6 ? kIcmp6EchoReply : kIcmp4EchoReply; }

// One cmsghdr record within the control data.
struct ControlRecord {
  int level;
  int type;
  const uint8_t* data;
  size_t size;
};

// Calls `visit` for each whole record; stops at the first that claims more
// than the data holds. `visit` returns true to stop.
template <typename Visit>
void ForEachRecord(const uint8_t* control, size_t length, Visit visit) {
  const size_t header = CMSG_ALIGN(sizeof(cmsghdr));
  size_t offset = 0;
  while (control != nullptr && offset <= length && length - offset >= sizeof(cmsghdr)) {
    cmsghdr record;
    std::memcpy(&record, control + offset, sizeof record);
    const size_t record_length = record.cmsg_len;
    if (record_length < header || record_length > length - offset) return;
    if (visit(ControlRecord{record.cmsg_level, record.cmsg_type, control + offset + header,
                            record_length - header})) {
      return;
    }
    const size_t step = CMSG_ALIGN(record_length);
    if (step < record_length || step > length - offset) return;  // the last record
    offset += step;
  }
}

}  // namespace

std::optional<EchoReplyData> ParseEchoReply(int family, const uint8_t* message, size_t length,
                                            uint16_t sequence) {
  if (message == nullptr || length < kIcmpHeaderSize) return std::nullopt;
  if (message[0] != EchoReplyType(family)) return std::nullopt;
  if (BigEndian16(message + 6) != sequence) return std::nullopt;
  return EchoReplyData{kIcmpHeaderSize, length - kIcmpHeaderSize};
}

bool QuotesOurRequest(int family, const uint8_t* quoted, size_t length, uint16_t sequence) {
  // The kernel found our socket by the quoted identifier, so the header is
  // there; the sequence number tells this request from an earlier one.
  return quoted != nullptr && length >= kIcmpHeaderSize && quoted[0] == EchoRequestType(family) &&
         BigEndian16(quoted + 6) == sequence;
}

std::optional<IcmpError> ParseErrorQueueControl(int family, const uint8_t* control,
                                                size_t length) {
  const int level = family == AF_INET6 ? SOL_IPV6 : SOL_IP;
  const int type = family == AF_INET6 ? IPV6_RECVERR : IP_RECVERR;
  std::optional<IcmpError> found;
  ForEachRecord(control, length, [&](const ControlRecord& record) {
    if (record.level != level || record.type != type) return false;
    sock_extended_err extended;
    if (record.size < sizeof extended) return false;
    std::memcpy(&extended, record.data, sizeof extended);
    IcmpError error;
    error.error = extended.ee_errno;
    error.origin = extended.ee_origin;
    error.type = extended.ee_type;
    error.code = extended.ee_code;
    // The offender's address follows the structure (SO_EE_OFFENDER).
    const uint8_t* offender = record.data + sizeof extended;
    const size_t room = record.size - sizeof extended;
    sa_family_t offender_family = AF_UNSPEC;
    if (room >= sizeof offender_family) {
      std::memcpy(&offender_family, offender, sizeof offender_family);
    }
    if (offender_family == AF_INET && room >= sizeof(sockaddr_in)) {
      sockaddr_in address;
      std::memcpy(&address, offender, sizeof address);
      error.offender4 = address;
    } else if (offender_family == AF_INET6 && room >= sizeof(sockaddr_in6)) {
      sockaddr_in6 address;
      std::memcpy(&address, offender, sizeof address);
      error.offender6 = address;
    }
    found = error;
    return true;
  });
  return found;
}

std::optional<uint8_t> ParseReceivedTtl(const uint8_t* control, size_t length) {
  std::optional<uint8_t> ttl;
  ForEachRecord(control, length, [&](const ControlRecord& record) {
    if (record.level != SOL_IP || record.type != IP_TTL || record.size < sizeof(int)) return false;
    int value;
    std::memcpy(&value, record.data, sizeof value);
    if (value < 0 || value > 255) return false;
    ttl = static_cast<uint8_t>(value);
    return true;
  });
  return ttl;
}

namespace {

// The IPv6 names that ipexport.h gives to some of the same codes.
constexpr IP_STATUS IP_DEST_NO_ROUTE = IP_STATUS_BASE + 2;
constexpr IP_STATUS IP_DEST_ADDR_UNREACHABLE = IP_STATUS_BASE + 3;
constexpr IP_STATUS IP_DEST_PROHIBITED = IP_STATUS_BASE + 4;
constexpr IP_STATUS IP_HOP_LIMIT_EXCEEDED = IP_STATUS_BASE + 13;
constexpr IP_STATUS IP_REASSEMBLY_TIME_EXCEEDED = IP_STATUS_BASE + 14;
constexpr IP_STATUS IP_PARAMETER_PROBLEM = IP_STATUS_BASE + 15;

std::optional<IP_STATUS> Icmp4Status(uint8_t type, uint8_t code) {
  switch (type) {
    case 3:  // destination unreachable
      switch (code) {
        case 0: case 6: case 9: case 11:  // network: unreachable, unknown, prohibited, for TOS
          return IP_DEST_NET_UNREACHABLE;
        case 1: case 7: case 8: case 10: case 12: case 13:  // host, and filtered
          return IP_DEST_HOST_UNREACHABLE;
        case 2:
          return IP_DEST_PROT_UNREACHABLE;
        case 3:
          return IP_DEST_PORT_UNREACHABLE;
        case 4:
          return IP_PACKET_TOO_BIG;
        case 5:
          return IP_BAD_ROUTE;
        default:
          return IP_DEST_UNREACHABLE;
      }
    case 4:
      return IP_SOURCE_QUENCH;
    case 5:  // redirect: the router forwarded the request all the same
      return std::nullopt;
    case 11:
      return code == 0 ? IP_TTL_EXPIRED_TRANSIT
                       : code == 1 ? IP_TTL_EXPIRED_REASSEM : IP_TIME_EXCEEDED;
    case 12:
      return IP_PARAM_PROBLEM;
    default:
      return IP_ICMP_ERROR;
  }
}

std::optional<IP_STATUS> Icmp6Status(uint8_t type, uint8_t code) {
  switch (type) {
    case 1:  // destination unreachable
      switch (code) {
        case 0:
          return IP_DEST_NO_ROUTE;
        case 1: case 5: case 6:  // prohibited, source policy, reject route
          return IP_DEST_PROHIBITED;
        case 2:
          return IP_DEST_SCOPE_MISMATCH;
        case 3:
          return IP_DEST_ADDR_UNREACHABLE;
        case 4:
          return IP_DEST_PORT_UNREACHABLE;
        default:
          return IP_DEST_UNREACHABLE;
      }
    case 2:
      return IP_PACKET_TOO_BIG;
    case 3:
      return code == 0 ? IP_HOP_LIMIT_EXCEEDED
                       : code == 1 ? IP_REASSEMBLY_TIME_EXCEEDED : IP_TIME_EXCEEDED;
    case 4:
      return code == 0 ? IP_BAD_HEADER
                       : code == 1 ? IP_UNRECOGNIZED_NEXT_HEADER : IP_PARAMETER_PROBLEM;
    case 137:  // redirect
      return std::nullopt;
    default:
      return IP_ICMP_ERROR;
  }
}

}  // namespace

std::optional<IP_STATUS> IpStatusOf(int family, const IcmpError& error) {
  switch (error.origin) {
    case SO_EE_ORIGIN_ICMP:
      return family == AF_INET ? Icmp4Status(error.type, error.code) : IP_ICMP_ERROR;
    case SO_EE_ORIGIN_ICMP6:
      return family == AF_INET6 ? Icmp6Status(error.type, error.code) : IP_ICMP_ERROR;
    case SO_EE_ORIGIN_LOCAL:
      return error.error == EMSGSIZE ? IP_PACKET_TOO_BIG : IP_GENERAL_FAILURE;
    default:
      return IP_GENERAL_FAILURE;
  }
}

}  // namespace winreach
