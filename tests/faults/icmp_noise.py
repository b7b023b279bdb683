#!/usr/bin/python3
"""Sends ICMP datagrams to a host that is waiting for an echo reply.

  icmp_noise.py DEST TARGET COUNT INTERVAL_MS [REPLY_PID]

After a first pause of INTERVAL_MS, sends COUNT datagrams to DEST, one every
INTERVAL_MS, none of which is the reply to the ping that DEST's process sends
to TARGET: echo replies from another host, echo replies from TARGET with
another identifier, echo requests from TARGET and destination-unreachable
errors from TARGET, in turn. Then, with REPLY_PID,
the echo reply that process is waiting for: from TARGET, with the low 16 bits
of REPLY_PID as the identifier, stored little-endian as the ping stores it.
Needs a raw socket (root); sources are forged with IP_HDRINCL.
"""

import socket
import struct
import sys
import time

PAYLOAD = b"\0\0\0\0" + b"E" * 32


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    total = (total >> 16) + (total & 0xFFFF)
    total += total >> 16
    return ~total & 0xFFFF


def icmp(kind, code, ident_le, body=PAYLOAD):
    head = struct.pack("!BBH", kind, code, 0) + struct.pack("<H", ident_le) + b"\0\0"
    message = head + body
    return message[:2] + struct.pack("!H", checksum(message)) + message[4:]


def ip_datagram(source, dest, payload):
    header = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(payload), 0x1234, 0, 64, 1, 0,
                         socket.inet_aton(source), socket.inet_aton(dest))
    return header[:10] + struct.pack("!H", checksum(header)) + header[12:] + payload


def main():
    dest, target, count, interval = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    reply_pid = int(sys.argv[5]) if len(sys.argv) > 5 else None
    stranger = ".".join(dest.split(".")[:3] + ["2"])  # another host on DEST's network
    ours = (reply_pid or 0x4242) & 0xFFFF
    kinds = [
        ip_datagram(stranger, dest, icmp(0, 0, ours)),             # reply, wrong host
        ip_datagram(target, dest, icmp(0, 0, ours ^ 0x5A5A)),      # reply, wrong identifier
        ip_datagram(target, dest, icmp(8, 0, ours)),               # a request, not a reply
        ip_datagram(target, dest, icmp(3, 1, 0, body=b"\0" * 28)),  # host unreachable
    ]
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
    for i in range(count):
        time.sleep(interval / 1000)
        sock.sendto(kinds[i % len(kinds)], (dest, 0))
    if reply_pid is not None:
        time.sleep(interval / 1000)
        sock.sendto(ip_datagram(target, dest, icmp(0, 0, ours)), (dest, 0))


if __name__ == "__main__":
    main()
