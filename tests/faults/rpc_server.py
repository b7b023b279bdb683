#!/usr/bin/python3
"""A Windows server that misbehaves on purpose, for the fault tests.

An SMB server (impacket's) on ADDRESS:445 with an ADMIN$ share holding
system32/ntoskrnl.exe, whose named pipes srvsvc, winreg and svcctl are relayed
to a small DCE/RPC server of our own. That server answers binds and calls as
the scenario says: well, or with truncated, oversized, misaligned or lying
PDUs, or with a fault, or well-formed but with escape sequences and a line
break in the CurrentVersion value ("escapes"), or with Unicode separators and
format characters in it ("separators"), or with quotes, backslashes and
control characters that would end a JSON string and add checks of its own
("json"); with fragments that carry no stub data and never end
("empty-fragments", "auth-filled"); with a bind accepted under NDR64
("ndr64"); with server information that succeeds without any ("no-info").

  rpc_server.py ADDRESS SCENARIO STATE_DIR

Writes STATE_DIR/rpc_server.pid once it listens, and logs every PDU it
receives and how it answered to STATE_DIR/rpc_server.log. A scenario written
to STATE_DIR/scenario replaces SCENARIO from the next pipe opened on, so that
one server can play several in turn.
"""

import logging
import os
import socket
import socketserver
import struct
import sys
import threading

from impacket import smbserver

SRVSVC = bytes.fromhex("c84f324b7016d30112785a47bf6ee188")
WINREG = bytes.fromhex("01d08c334422f131aaaa900038001003")
SVCCTL = bytes.fromhex("81bb7a364498f135ad3298f038001003")
NDR = bytes.fromhex("045d888aeb1cc9119fe808002b104860")
NDR64 = bytes.fromhex("33057171babe37498319b5dbef9ccc36")
INTERFACE_NAMES = {SRVSVC: "srvsvc", WINREG: "winreg", SVCCTL: "svcctl"}

BIND, BIND_ACK, BIND_NAK, REQUEST, RESPONSE, FAULT = 11, 12, 13, 0, 2, 3
FIRST, LAST = 0x01, 0x02

# The registry the five checks read, as a Windows server would hold it.
KEYS = {
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "6.3"},
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon": {
        "Userinit": "C:\\Windows\\system32\\userinit.exe,"},
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName": {
        "ComputerName": "FAULTHOST"},
    "SYSTEM\\CurrentControlSet\\Services\\TcpIp\\Parameters": {"HostName": "faulthost"},
}

log = logging.getLogger("rpc_server")


# --- NDR, little-endian, as the client expects it ---

class Ndr:
    def __init__(self, aligned=True):
        self.data = bytearray()
        self.aligned = aligned
        self.referent = 0x20000

    def align(self, n):
        if self.aligned:
            while len(self.data) % n:
                self.data.append(0)

    def u16(self, v):
        self.align(2)
        self.data += struct.pack("<H", v & 0xFFFF)

    def u32(self, v):
        self.align(4)
        self.data += struct.pack("<I", v & 0xFFFFFFFF)

    def pointer(self):
        self.u32(self.referent)
        self.referent += 4

    def string(self, text, count=None, actual=None, offset=0):
        units = text.encode("utf-16-le") + b"\0\0"
        n = len(units) // 2
        self.u32(n if count is None else count)
        self.u32(offset)
        self.u32(n if actual is None else actual)
        self.data += units

    def handle(self, number):
        self.align(4)
        self.data += struct.pack("<I", 0) + struct.pack("<I", number) + b"winreach-fau"[:12]


def server_info(level, scenario):
    """NetrServerGetInfo's answer at LEVEL, shaped by SCENARIO."""
    misaligned = scenario == "misaligned"
    ndr = Ndr(aligned=not misaligned)
    layouts = {100: "us", 101: "usuuus", 102: "usuuusuuuuuus", 503: "u" * 18 + "s" + "u" * 23}
    layout = layouts.get(level)
    if scenario == "no-info":
        # Success, and a null information pointer.
        ndr.u32(level)
        ndr.u32(0)
        ndr.u32(0)
        return bytes(ndr.data)
    if layout is None:
        ndr.u32(level)
        ndr.u32(0)
        ndr.u32(124)  # ERROR_INVALID_LEVEL
        return bytes(ndr.data)
    ndr.u32(level)
    ndr.pointer()
    strings = []
    for kind in layout:
        if kind == "s":
            ndr.pointer()
            strings.append("FAULTHOST" if not strings else "winreach fault host")
        else:
            ndr.u32(500 if len(strings) == 0 else 1)
    for text in strings:
        if scenario == "oversized":
            ndr.string(text, count=0x7FFFFFF0, actual=0x7FFFFFF0)
        elif scenario == "lying":
            # More characters than the array's maximum may hold.
            ndr.string(text, count=2)
        else:
            ndr.string(text)
    ndr.u32(0)
    if scenario == "truncated-stub":
        return bytes(ndr.data[:-3])  # the status cut short
    return bytes(ndr.data)


def handle_answer(number, status, scenario):
    ndr = Ndr()
    ndr.handle(number if status == 0 else 0)
    if scenario == "truncated-stub":
        return bytes(ndr.data[:-2])  # ends inside the handle, without a status
    ndr.u32(status)
    return bytes(ndr.data)


def query_value_answer(text, capacity, scenario):
    data = text.encode("utf-16-le") + b"\0\0"
    if scenario == "misaligned":
        # Data of odd length, and the three numbers after it written without
        # the padding that NDR demands.
        data = data[:-1]
    ndr = Ndr(aligned=scenario != "misaligned")
    ndr.pointer()
    ndr.u32(1)  # REG_SZ
    ndr.pointer()
    actual = len(data)
    if scenario == "oversized":
        ndr.u32(0x7FFFFFF0)
        ndr.u32(0)
        ndr.u32(0x7FFFFFF0)
    elif scenario == "lying":
        ndr.u32(capacity)
        ndr.u32(0)
        ndr.u32(actual + 64)  # claims bytes that are not there
    else:
        ndr.u32(capacity)
        ndr.u32(0)
        ndr.u32(actual)
    ndr.data += data
    ndr.pointer()
    ndr.u32(actual)
    ndr.pointer()
    ndr.u32(actual)
    ndr.u32(0)
    if scenario == "truncated-stub":
        return bytes(ndr.data[:-1])
    return bytes(ndr.data)


def counted_string(stub, offset):
    """Reads an RPC_UNICODE_STRING with its deferred characters at OFFSET."""
    offset += 2 + 2 + 4  # Length, MaximumLength, referent
    _, _, actual = struct.unpack_from("<III", stub, offset)
    offset += 12
    text = stub[offset:offset + 2 * actual].decode("utf-16-le", "replace")
    return text.rstrip("\0")


class Session:
    """One pipe's DCE/RPC conversation."""

    def __init__(self, scenario):
        self.scenario = scenario
        self.interface = None
        self.keys = {}
        self.next_handle = 1

    def header(self, ptype, flags, length, call_id):
        return struct.pack("<BBBB4sHHI", 5, 0, ptype, flags, b"\x10\0\0\0", length, 0, call_id)

    def bind_ack(self, call_id):
        if self.scenario == "bind-nak":
            body = struct.pack("<H", 2)  # local limit exceeded
            return self.header(BIND_NAK, FIRST | LAST, 16 + len(body), call_id) + body
        secondary = b"\\PIPE\\" + INTERFACE_NAMES.get(self.interface, "x").encode() + b"\0"
        body = struct.pack("<HHI", 4280, 4280, 0x1234)
        body += struct.pack("<H", len(secondary)) + secondary
        while (16 + len(body)) % 4:
            body += b"\0"
        result = struct.pack("<BBH", 1, 0, 0) + struct.pack("<HH", 0, 0) + NDR + struct.pack("<I", 2)
        if self.scenario == "ndr64":
            result = struct.pack("<BBH", 1, 0, 0) + struct.pack("<HH", 0, 0) + NDR64 + struct.pack("<I", 1)
        if self.scenario == "bind-lying":
            # Says one result follows, and the PDU ends inside it.
            result = result[:10]
        elif self.scenario == "bind-oversized":
            # A secondary address longer than the whole PDU.
            body = struct.pack("<HHI", 4280, 4280, 0x1234) + struct.pack("<H", 0xFFF0) + secondary
        body += result
        return self.header(BIND_ACK, FIRST | LAST, 16 + len(body), call_id) + body

    def answer(self, opnum, stub):
        iface = self.interface
        if iface == SRVSVC and opnum == 21:
            level = struct.unpack_from("<I", stub, len(stub) - 4)[0]
            return server_info(level, self.scenario)
        if iface == WINREG and opnum == 2:  # OpenLocalMachine
            return handle_answer(self.new_handle(""), 0, self.scenario)
        if iface == WINREG and opnum == 15:  # BaseRegOpenKey
            name = counted_string(stub, 20)
            if name not in KEYS:
                return handle_answer(0, 2, self.scenario)
            return handle_answer(self.new_handle(name), 0, self.scenario)
        if iface == WINREG and opnum == 17:  # BaseRegQueryValue
            number = struct.unpack_from("<I", stub, 4)[0]
            value = counted_string(stub, 20)
            values = KEYS.get(self.keys.get(number, ""), {})
            if value not in values:
                ndr = Ndr()
                for _ in range(4):
                    ndr.u32(0)
                ndr.u32(2)
                return bytes(ndr.data)
            capacity = struct.unpack_from("<I", stub, len(stub) - 12)[0]
            text = values[value]
            if self.scenario == "separators" and value == "CurrentVersion":
                # A line separator (a line break to editors, log viewers and
                # splitlines), a right-to-left override, zero-width and
                # private-use characters.
                text = "6.3\u2028Remote access to the ADMIN$ share OK!\u202e!KO\u200b\ue000"
            if self.scenario == "escapes" and value == "CurrentVersion":
                # A version that would print a result line of its own, clear
                # it again and retitle the terminal.
                text = "6.3\nRemote access to the ADMIN$ share OK!\x1b[2K\x1b]0;owned\x07"
            if self.scenario == "json" and value == "CurrentVersion":
                text = '6.3\\"},{"check":"scm","ok":true,"code":null}]}\n{"x":"\x01\x1f\\u0000'
            return query_value_answer(text, capacity, self.scenario)
        if iface == WINREG and opnum == 5 or iface == SVCCTL and opnum == 0:  # close
            return handle_answer(0, 0, "good")
        if iface == SVCCTL and opnum == 15:  # ROpenSCManagerW
            return handle_answer(self.new_handle("scm"), 0, self.scenario)
        return None

    def new_handle(self, name):
        number = self.next_handle
        self.next_handle += 1
        self.keys[number] = name
        return number

    def respond(self, call_id, opnum, stub):
        """The bytes that answer one request."""
        if self.scenario == "fault":
            body = struct.pack("<IHBBII", 32, 0, 0, 0, 0x1C010002, 0)  # nca_op_rng_error
            return self.header(FAULT, FIRST | LAST, 16 + len(body), call_id) + body
        if self.scenario == "fault-access":
            body = struct.pack("<IHBBII", 32, 0, 0, 0, 5, 0)
            return self.header(FAULT, FIRST | LAST, 16 + len(body), call_id) + body
        answer = self.answer(opnum, stub)
        if answer is None:
            body = struct.pack("<IHBBII", 32, 0, 0, 0, 0x1C010002, 0)
            return self.header(FAULT, FIRST | LAST, 16 + len(body), call_id) + body
        if self.scenario == "flood":
            # Fragment after fragment, never the last: more than any client
            # should gather for one answer.
            chunk = b"\0" * 4000
            one = struct.pack("<IHBB", len(chunk), 0, 0, 0) + chunk
            out = bytearray()
            for i in range(300):
                out += self.header(RESPONSE, FIRST if i == 0 else 0, 16 + len(one), call_id) + one
            return bytes(out)
        body = struct.pack("<IHBB", len(answer), 0, 0, 0) + answer
        if self.scenario == "oversized":
            body = struct.pack("<IHBB", 0xFFFFFFF0, 0, 0, 0) + answer
        pdu = self.header(RESPONSE, FIRST | LAST, 16 + len(body), call_id) + body
        if self.scenario == "lying-call-id":
            pdu = self.header(RESPONSE, FIRST | LAST, 16 + len(body), call_id + 7) + body
        elif self.scenario == "lying-type":
            pdu = self.header(BIND_ACK, FIRST | LAST, 16 + len(body), call_id) + body
        elif self.scenario == "lying-length":
            # The header claims a fragment shorter than its own header.
            pdu = self.header(RESPONSE, FIRST | LAST, 12, call_id) + body
        return pdu


def empty_fragment(call_id, flags):
    body = struct.pack("<IHBB", 0, 0, 0, 0)
    return struct.pack("<BBBB4sHHI", 5, 0, RESPONSE, flags, b"\x10\0\0\0", 16 + len(body), 0,
                       call_id) + body


def auth_filled_fragment(call_id, flags):
    # A security trailer and 4000 bytes of authentication data fill the
    # body: no stub data at all.
    auth = b"\0" * 4000
    body = struct.pack("<IHBB", 0, 0, 0, 0) + struct.pack("<BBBBI", 10, 2, 0, 0, 1) + auth
    return struct.pack("<BBBB4sHHI", 5, 0, RESPONSE, flags, b"\x10\0\0\0", 16 + len(body),
                       len(auth), call_id) + body


# Answers of fragments without stub data that never end.
ENDLESS = {"empty-fragments": empty_fragment, "auth-filled": auth_filled_fragment}


class RpcHandler(socketserver.BaseRequestHandler):
    def endless(self, call_id, fragment):
        """Fragment after fragment, none the last, until the client leaves
        (or, as a backstop, after a million)."""
        self.request.sendall(fragment(call_id, FIRST))
        for _ in range(1000000):
            self.request.sendall(fragment(call_id, 0))

    def read(self, n):
        data = b""
        while len(data) < n:
            chunk = self.request.recv(n - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def handle(self):
        scenario = self.server.scenario
        try:
            with open(os.path.join(self.server.state, "scenario")) as f:
                scenario = f.read().strip() or scenario
        except OSError:
            pass
        session = Session(scenario)
        try:
            while True:
                head = self.read(16)
                ptype = head[2]
                length, _, call_id = struct.unpack_from("<HHI", head, 8)
                body = self.read(length - 16)
                if ptype == BIND:
                    session.interface = body[16:32]
                    out = session.bind_ack(call_id)
                    what = "bind " + INTERFACE_NAMES.get(session.interface, "?")
                elif ptype == REQUEST:
                    opnum = struct.unpack_from("<H", body, 6)[0]
                    out = session.respond(call_id, opnum, body[8:])
                    what = "request %d" % opnum
                else:
                    return
                log.info("%s: %s -> %d bytes", session.scenario, what, len(out))
                if session.scenario == "truncated" and ptype == REQUEST:
                    # Announce the whole fragment, send part of it, and hang up.
                    self.request.sendall(out[:max(16, len(out) - 8)])
                    return
                if session.scenario in ENDLESS and ptype == REQUEST:
                    self.endless(call_id, ENDLESS[session.scenario])
                    return
                if session.scenario == "bind-truncated" and ptype == BIND:
                    self.request.sendall(out[:20])
                    return
                self.request.sendall(out)
        except (EOFError, ConnectionError):
            return


class RpcServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    address, scenario, state = sys.argv[1:4]
    logging.basicConfig(filename=os.path.join(state, "rpc_server.log"), level=logging.INFO,
                        format="%(asctime)s %(name)s %(message)s")
    share = os.path.join(state, "admin")
    os.makedirs(os.path.join(share, "system32"), exist_ok=True)
    with open(os.path.join(share, "system32", "ntoskrnl.exe"), "w") as f:
        f.write("fault test kernel image\n")

    rpc = RpcServer(("127.0.0.1", 0), RpcHandler)
    rpc.scenario = scenario
    rpc.state = state
    threading.Thread(target=rpc.serve_forever, daemon=True).start()

    smb = smbserver.SimpleSMBServer(listenAddress=address, listenPort=445)
    smb.setSMB2Support(True)
    smb.setSMBChallenge("")
    smb.setLogFile(os.path.join(state, "smb_server.log"))
    smb.addShare("ADMIN$", share, "Remote Admin", readOnly="yes")
    for pipe in ("srvsvc", "winreg", "svcctl"):
        smb.registerNamedPipe(pipe, ("127.0.0.1", rpc.server_address[1]))
    with open(os.path.join(state, "rpc_server.pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    smb.start()


if __name__ == "__main__":
    main()
