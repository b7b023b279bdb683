#!/usr/bin/python3
"""A NetBIOS name service that answers node status requests badly on purpose.

  nbstat_responder.py ADDRESS SCENARIO PIDFILE

Listens on ADDRESS, UDP port 137, and answers each node status request as
SCENARIO says:

  foreign     first datagrams that are no answer to the request (from another
              port, from another address, another transaction id, a request,
              another record type, an error answer), then the right answer
  malformed   truncated and lying answers only: cut short, counts and lengths
              beyond the datagram, reserved and overlong name labels
  oversized   a well-formed answer with 255 names, more than an adapter
              status of 600 bytes can hold, after a datagram of 60 000 bytes
  late        nothing to the first two tries; the right answer to the third
  flood       a stream of junk datagrams for as long as it runs, no answer
  escapes     the right answer, but the node's name holds an escape
              sequence, a line break and a bell
  high-bytes  the right answer, but the node's name holds bytes above 0x7F:
              the 8-bit control sequence introducer 0x9B, letters, 0x85
  json        the right answer, but the node's name holds a quote, a
              backslash and a control character

The right answer names the node GOODNAME with unit id 02-00-5e-00-53-01.
Writes PIDFILE once it listens; logs each request to standard error.
"""

import os
import socket
import struct
import sys
import threading
import time

NAME_STAR = bytes([32]) + b"CK" + b"AA" * 15 + b"\0"
UNIT_ID = bytes([0x02, 0x00, 0x5E, 0x00, 0x53, 0x01])


def node_name(text, suffix, flags):
    return text.encode("latin-1").ljust(15)[:15] + bytes([suffix]) + struct.pack(">H", flags)


GOOD_NAMES = [
    node_name("WRGROUP", 0x00, 0x8400),   # a registered group name comes first
    node_name("GOODNAME", 0x00, 0x0400),  # the first registered unique name
    node_name("GOODNAME", 0x20, 0x0400),
]


def answer(trn_id, names=GOOD_NAMES, flags=0x8400, rr_type=0x21, count=None, rdlength=None,
           rr_name=NAME_STAR, questions=0, answers=1):
    rdata = bytes([len(names) if count is None else count]) + b"".join(names)
    rdata += UNIT_ID + b"\0" * 40
    header = struct.pack(">HHHHHH", trn_id, flags, questions, answers, 0, 0)
    rr = rr_name + struct.pack(">HHIH", rr_type, 1, 0, len(rdata) if rdlength is None else rdlength)
    return header + rr + rdata


def malformed(trn_id):
    good = answer(trn_id)
    bad = [good[:n] for n in (0, 1, 11, 12, 30, 46, 56, 57, len(good) - 1)]  # cut short
    bad += [
        answer(trn_id, count=200),                        # more names than bytes
        answer(trn_id, rdlength=0xFFFF),                  # data longer than the datagram
        answer(trn_id, rdlength=0),                       # no data at all
        answer(trn_id)[:12] + b"\xc0",                     # a label pointer cut in half
        answer(trn_id, rr_name=b"\x40abc\0"),             # a reserved label type
        answer(trn_id, rr_name=b"\x3f" + b"a" * 63 + b"\x3f" + b"a" * 63 +
               b"\x3f" + b"a" * 63 + b"\x3f" + b"a" * 63 + b"\0"),  # a name over 255 bytes
        answer(trn_id, answers=0),                        # says it answers nothing
        answer(trn_id, flags=0x8403),                     # an error answer
        answer(trn_id, rr_type=0x20),                     # a name query answer
    ]
    return bad


def foreign(trn_id):
    """Datagrams from port 137 that are not the answer to TRN_ID."""
    return [
        answer((trn_id + 1) & 0xFFFF, names=[node_name("WRONGID", 0, 0x0400)]),
        answer(trn_id, names=[node_name("ASKING", 0, 0x0400)], flags=0x0000, questions=1),
        answer(trn_id, names=[node_name("NBQUERY", 0, 0x0400)], rr_type=0x20),
        answer(trn_id, names=[node_name("FAILED", 0, 0x0400)], flags=0x8402),
    ]


def main():
    address, scenario, pidfile = sys.argv[1], sys.argv[2], sys.argv[3]
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((address, 137))
    other_port = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    other_port.bind((address, 0))
    with open(pidfile, "w") as f:
        f.write("%d\n" % os.getpid())

    if scenario == "flood":
        peer = {}

        def flood():
            while "to" not in peer:
                time.sleep(0.01)
            junk = [bytes([i % 251]) * (i % 97) for i in range(64)]
            n = 0
            while True:
                sock.sendto(junk[n % len(junk)], peer["to"])
                sock.sendto(answer((peer["id"] + 1) & 0xFFFF), peer["to"])
                n += 1
                if n % 50 == 0:
                    time.sleep(0.001)
        threading.Thread(target=flood, daemon=True).start()

    tries = 0
    while True:
        request, client = sock.recvfrom(2048)
        if len(request) < 12:
            continue
        trn_id = struct.unpack(">H", request[:2])[0]
        tries += 1
        print("nbstat_responder: request %d, id %04x, from %s:%d" % (tries, trn_id, *client),
              file=sys.stderr, flush=True)
        if scenario == "foreign":
            # The right answer from another port, then from another address.
            other_port.sendto(answer(trn_id, names=[node_name("OTHERPORT", 0, 0x0400)]), client)
            try:
                stranger = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                stranger.bind((os.environ.get("WR_STRANGER", "10.77.7.2"), 137))
                stranger.sendto(answer(trn_id, names=[node_name("STRANGER", 0, 0x0400)]), client)
                stranger.close()
            except OSError as e:
                print("nbstat_responder: no stranger: %s" % e, file=sys.stderr, flush=True)
            for datagram in foreign(trn_id):
                sock.sendto(datagram, client)
            sock.sendto(answer(trn_id), client)
        elif scenario == "malformed":
            for datagram in malformed(trn_id):
                sock.sendto(datagram, client)
        elif scenario == "oversized":
            sock.sendto(b"\0" * 60000, client)
            names = [node_name("NAME%d" % i, 0, 0x0400) for i in range(255)]
            sock.sendto(answer(trn_id, names=names), client)
        elif scenario == "escapes":
            names = [node_name("\x1b[2J\nEVIL!\x07", 0x00, 0x0400)]
            sock.sendto(answer(trn_id, names=names), client)
        elif scenario == "json":
            names = [node_name('"},\\"ok":\x01', 0x00, 0x0400)]
            sock.sendto(answer(trn_id, names=names), client)
        elif scenario == "high-bytes":
            names = [node_name("\x9b2J\xc9T\xc9\x85", 0x00, 0x0400)]
            sock.sendto(answer(trn_id, names=names), client)
        elif scenario == "late":
            if tries >= 3:
                sock.sendto(answer(trn_id), client)
        elif scenario == "flood":
            peer["id"] = trn_id
            peer["to"] = client


if __name__ == "__main__":
    main()
