#include "platform/posix/icmp_messages.h"

#include <linux/errqueue.h>

#include <cerrno>
#include <cstring>

#include "platform/bytes.h"

namespace winreach {

namespace {

uint8_t EchoRequestType(int family) {
  return family == AF_INET6 ? kIcmp6EchoRequest : kIcmp4EchoRequest;
}

uint8_t EchoReplyType(int family) { return family == AF_INET6 ? kIcmp6EchoReply : kIcmp4EchoReply; }

// Reads an echo header: whether it is of `type` and carries `sequence`. The
// kernel has already matched the identifier.
bool ReadEchoHeader(ByteReader& in, uint8_t type, uint16_t sequence) {
  const uint8_t found_type = in.U8();
  in.Skip(5);  // code, checksum, identifier
  const uint16_t found_sequence = in.U16Be();
  return in.ok() && found_type == type && found_sequence == sequence;
}

// One cmsghdr record within the control data.
struct ControlRecord {
  int level;
  int type;
  std::span<const uint8_t> data;
};

// Calls `visit` for each whole record; stops at the first that claims more
// than the data holds. `visit` returns true to stop.
template <typename Visit>
void ForEachRecord(const uint8_t* control, size_t length, Visit visit) {
  const size_t header = CMSG_ALIGN(sizeof(cmsghdr));
  ByteReader in(control, length);
  while (in.left() >= sizeof(cmsghdr)) {
    const size_t room = in.left();
    cmsghdr record;
    in.CopyTo(&record, sizeof record);
    const size_t record_length = record.cmsg_len;
    if (record_length < header || record_length > room) return;
    in.Skip(header - sizeof record);
    if (visit(ControlRecord{record.cmsg_level, record.cmsg_type, in.Bytes(record_length - header)})) {
      return;
    }
    in.Skip(CMSG_ALIGN(record_length) - record_length);  // past the last record: the end
  }
}

}  // namespace

std::optional<EchoReplyData> ParseEchoReply(int family, const uint8_t* message, size_t length,
                                            uint16_t sequence) {
  ByteReader in(message, length);
  if (!ReadEchoHeader(in, EchoReplyType(family), sequence)) return std::nullopt;
  return EchoReplyData{in.offset(), in.left()};
}

bool QuotesOurRequest(int family, const uint8_t* quoted, size_t length, uint16_t sequence) {
  // The sequence number tells this request from an earlier one.
  ByteReader in(quoted, length);
  return ReadEchoHeader(in, EchoRequestType(family), sequence);
}

std::vector<uint8_t> EchoRequestMessage(int family, uint16_t sequence,
                                        std::span<const uint8_t> data) {
  // The kernel fills in the identifier and the checksum.
  std::vector<uint8_t> message(kIcmpHeaderSize + data.size());
  ByteWriter out(message);
  out.U8(EchoRequestType(family));
  out.U8(0);     // code
  out.U16Be(0);  // checksum
  out.U16Be(0);  // identifier
  out.U16Be(sequence);
  out.Bytes(data);
  return message;
}

std::optional<IcmpError> ParseErrorQueueControl(int family, const uint8_t* control,
                                                size_t length) {
  const int level = family == AF_INET6 ? SOL_IPV6 : SOL_IP;
  const int type = family == AF_INET6 ? IPV6_RECVERR : IP_RECVERR;
  std::optional<IcmpError> found;
  ForEachRecord(control, length, [&](const ControlRecord& record) {
    if (record.level != level || record.type != type) return false;
    ByteReader data(record.data);
    sock_extended_err extended;
    if (!data.CopyTo(&extended, sizeof extended)) return false;
    IcmpError error;
    error.error = extended.ee_errno;
    error.origin = extended.ee_origin;
    error.type = extended.ee_type;
    error.code = extended.ee_code;
    // The offender's address follows the structure (SO_EE_OFFENDER).
    sa_family_t offender_family = AF_UNSPEC;
    ByteReader(data).CopyTo(&offender_family, sizeof offender_family);
    if (sockaddr_in address; offender_family == AF_INET && data.CopyTo(&address, sizeof address)) {
      error.offender4 = address;
    } else if (sockaddr_in6 address6;
               offender_family == AF_INET6 && data.CopyTo(&address6, sizeof address6)) {
      error.offender6 = address6;
    }
    found = error;
    return true;
  });
  return found;
}

std::optional<uint8_t> ParseReceivedTtl(const uint8_t* control, size_t length) {
  std::optional<uint8_t> ttl;
  ForEachRecord(control, length, [&](const ControlRecord& record) {
    int value = -1;
    if (record.level != SOL_IP || record.type != IP_TTL ||
        !ByteReader(record.data).CopyTo(&value, sizeof value) || value < 0 || value > 255) {
      return false;
    }
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
