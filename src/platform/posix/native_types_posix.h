// The Windows types that the logic shares with the platform, laid out for
// Linux. The Windows build takes them from the SDK headers
// (native_types_win32.h); include platform/native_types.h, which chooses.
#pragma once

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>

#define WINAPI

using BYTE = uint8_t;
using UCHAR = uint8_t;
using WORD = uint16_t;
using USHORT = uint16_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using BOOL = int;
using HANDLE = void*;
using PVOID = void*;
using LPVOID = void*;
using PCSTR = const char*;
using IPAddr = uint32_t;
using IP_STATUS = uint32_t;
using ADDRINFOA = addrinfo;
using PADDRINFOA = addrinfo*;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t{0});

// IP status codes, as ipexport.h numbers them.
inline constexpr IP_STATUS IP_SUCCESS = 0;
inline constexpr IP_STATUS IP_STATUS_BASE = 11000;
inline constexpr IP_STATUS IP_BUF_TOO_SMALL = 11001;
inline constexpr IP_STATUS IP_DEST_NET_UNREACHABLE = 11002;
inline constexpr IP_STATUS IP_DEST_HOST_UNREACHABLE = 11003;
inline constexpr IP_STATUS IP_DEST_PROT_UNREACHABLE = 11004;
inline constexpr IP_STATUS IP_DEST_PORT_UNREACHABLE = 11005;
inline constexpr IP_STATUS IP_NO_RESOURCES = 11006;
inline constexpr IP_STATUS IP_BAD_OPTION = 11007;
inline constexpr IP_STATUS IP_HW_ERROR = 11008;
inline constexpr IP_STATUS IP_PACKET_TOO_BIG = 11009;
inline constexpr IP_STATUS IP_REQ_TIMED_OUT = 11010;
inline constexpr IP_STATUS IP_BAD_REQ = 11011;
inline constexpr IP_STATUS IP_BAD_ROUTE = 11012;
inline constexpr IP_STATUS IP_TTL_EXPIRED_TRANSIT = 11013;
inline constexpr IP_STATUS IP_TTL_EXPIRED_REASSEM = 11014;
inline constexpr IP_STATUS IP_PARAM_PROBLEM = 11015;
inline constexpr IP_STATUS IP_SOURCE_QUENCH = 11016;
inline constexpr IP_STATUS IP_OPTION_TOO_BIG = 11017;
inline constexpr IP_STATUS IP_BAD_DESTINATION = 11018;
inline constexpr IP_STATUS IP_DEST_UNREACHABLE = 11040;
inline constexpr IP_STATUS IP_TIME_EXCEEDED = 11041;
inline constexpr IP_STATUS IP_BAD_HEADER = 11042;
inline constexpr IP_STATUS IP_UNRECOGNIZED_NEXT_HEADER = 11043;
inline constexpr IP_STATUS IP_ICMP_ERROR = 11044;
inline constexpr IP_STATUS IP_DEST_SCOPE_MISMATCH = 11045;
inline constexpr IP_STATUS IP_GENERAL_FAILURE = 11050;

struct IP_OPTION_INFORMATION {
  UCHAR Ttl;
  UCHAR Tos;
  UCHAR Flags;
  UCHAR OptionsSize;
  UCHAR* OptionsData;
};
using PIP_OPTION_INFORMATION = IP_OPTION_INFORMATION*;

struct ICMP_ECHO_REPLY {
  IPAddr Address;
  ULONG Status;
  ULONG RoundTripTime;
  USHORT DataSize;
  USHORT Reserved;
  PVOID Data;
  IP_OPTION_INFORMATION Options;
};

#pragma pack(push, 1)
struct IPV6_ADDRESS_EX {
  USHORT sin6_port;
  ULONG sin6_flowinfo;
  USHORT sin6_addr[8];
  ULONG sin6_scope_id;
};
#pragma pack(pop)

struct ICMPV6_ECHO_REPLY {
  IPV6_ADDRESS_EX Address;
  ULONG Status;
  unsigned int RoundTripTime;
};
static_assert(sizeof(IPV6_ADDRESS_EX) == 26);
static_assert(sizeof(ICMPV6_ECHO_REPLY) == 36);

using PIO_APC_ROUTINE = void (*)(PVOID, PVOID, ULONG);

// NetBIOS control block and adapter status, as nb30.h lays them out.
inline constexpr int NCBNAMSZ = 16;
inline constexpr UCHAR NCBRESET = 0x32;
inline constexpr UCHAR NCBASTAT = 0x33;
inline constexpr UCHAR NRC_GOODRET = 0x00;
inline constexpr UCHAR NRC_BUFLEN = 0x01;
inline constexpr UCHAR NRC_CMDTMO = 0x05;
inline constexpr UCHAR NRC_INCOMP = 0x06;
inline constexpr UCHAR NRC_BRIDGE = 0x23;
inline constexpr UCHAR NRC_SYSTEM = 0x40;
inline constexpr UCHAR UNIQUE_NAME = 0x00;
inline constexpr UCHAR GROUP_NAME = 0x80;
inline constexpr UCHAR NAME_FLAGS_MASK = 0x87;
inline constexpr UCHAR REGISTERING = 0x00;
inline constexpr UCHAR REGISTERED = 0x04;
inline constexpr UCHAR DEREGISTERED = 0x05;
inline constexpr UCHAR DUPLICATE = 0x06;
inline constexpr UCHAR DUPLICATE_DEREG = 0x07;

struct NCB {
  UCHAR ncb_command;
  UCHAR ncb_retcode;
  UCHAR ncb_lsn;
  UCHAR ncb_num;
  UCHAR* ncb_buffer;
  WORD ncb_length;
  UCHAR ncb_callname[NCBNAMSZ];
  UCHAR ncb_name[NCBNAMSZ];
  UCHAR ncb_rto;
  UCHAR ncb_sto;
  void (*ncb_post)(NCB*);
  UCHAR ncb_lana_num;
  UCHAR ncb_cmd_cplt;
  UCHAR ncb_reserve[18];
  HANDLE ncb_event;
};

struct ADAPTER_STATUS {
  UCHAR adapter_address[6];
  UCHAR rev_major;
  UCHAR reserved0;
  UCHAR adapter_type;
  UCHAR rev_minor;
  WORD duration;
  WORD frmr_recv;
  WORD frmr_xmit;
  WORD iframe_recv_err;
  WORD xmit_aborts;
  DWORD xmit_success;
  DWORD recv_success;
  WORD iframe_xmit_err;
  WORD recv_buff_unavail;
  WORD t1_timeouts;
  WORD ti_timeouts;
  DWORD reserved1;
  WORD free_ncbs;
  WORD max_cfg_ncbs;
  WORD max_ncbs;
  WORD xmit_buf_unavail;
  WORD max_dgram_size;
  WORD pending_sess;
  WORD max_cfg_sess;
  WORD max_sess;
  WORD max_sess_pkt_size;
  WORD name_count;
};

struct NAME_BUFFER {
  UCHAR name[NCBNAMSZ];
  UCHAR name_num;
  UCHAR name_flags;
};
static_assert(sizeof(ADAPTER_STATUS) == 60);
static_assert(sizeof(NAME_BUFFER) == 18);

// Server information levels, as lmserver.h lays them out.
struct SERVER_INFO_100 {
  DWORD sv100_platform_id;
  wchar_t* sv100_name;
};
struct SERVER_INFO_101 {
  DWORD sv101_platform_id;
  wchar_t* sv101_name;
  DWORD sv101_version_major;
  DWORD sv101_version_minor;
  DWORD sv101_type;
  wchar_t* sv101_comment;
};
struct SERVER_INFO_102 {
  DWORD sv102_platform_id;
  wchar_t* sv102_name;
  DWORD sv102_version_major;
  DWORD sv102_version_minor;
  DWORD sv102_type;
  wchar_t* sv102_comment;
  DWORD sv102_users;
  int sv102_disc;
  BOOL sv102_hidden;
  DWORD sv102_announce;
  DWORD sv102_anndelta;
  DWORD sv102_licenses;
  wchar_t* sv102_userpath;
};
struct SERVER_INFO_503 {
  DWORD sv503_sessopens;
  DWORD sv503_sessvcs;
  DWORD sv503_opensearch;
  DWORD sv503_sizreqbuf;
  DWORD sv503_initworkitems;
  DWORD sv503_maxworkitems;
  DWORD sv503_rawworkitems;
  DWORD sv503_irpstacksize;
  DWORD sv503_maxrawbuflen;
  DWORD sv503_sessusers;
  DWORD sv503_sessconns;
  DWORD sv503_maxpagedmemoryusage;
  DWORD sv503_maxnonpagedmemoryusage;
  BOOL sv503_enablesoftcompat;
  BOOL sv503_enableforcedlogoff;
  BOOL sv503_timesource;
  BOOL sv503_acceptdownlevelapis;
  BOOL sv503_lmannounce;
  wchar_t* sv503_domain;
  DWORD sv503_maxcopyreadlen;
  DWORD sv503_maxcopywritelen;
  DWORD sv503_minkeepsearch;
  DWORD sv503_maxkeepsearch;
  DWORD sv503_minkeepcomplsearch;
  DWORD sv503_maxkeepcomplsearch;
  DWORD sv503_threadcountadd;
  DWORD sv503_numblockthreads;
  DWORD sv503_scavtimeout;
  DWORD sv503_minrcvqueue;
  DWORD sv503_minfreeworkitems;
  DWORD sv503_xactmemsize;
  DWORD sv503_threadpriority;
  DWORD sv503_maxmpxct;
  DWORD sv503_oplockbreakwait;
  DWORD sv503_oplockbreakresponsewait;
  BOOL sv503_enableoplocks;
  BOOL sv503_enableoplockforceclose;
  BOOL sv503_enablefcbopens;
  BOOL sv503_enableraw;
  BOOL sv503_enablesharednetdrives;
  DWORD sv503_minfreeconnections;
  DWORD sv503_maxfreeconnections;
};
