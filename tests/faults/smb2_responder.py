#!/usr/bin/python3
"""A raw SMB2/3 server that breaks the protocol on purpose, for the fault tests.

  smb2_responder.py ADDRESS MODE PIDFILE [PASSWORD]

Listens on ADDRESS, TCP port 445. Negotiates 3.1.1 (AES-128-GCM, AES-CMAC
signing), or 3.0 where the mode needs validate negotiate; takes an NTLMv2
logon of any user whose password is PASSWORD (default below), derives the
session keys, and serves trees, opens and closes as a server would; the
requests of a compounded message are answered one by one. Every
pipe transaction is refused with access denied. MODE says what goes wrong:

  good                nothing: signed answers, the ADMIN$ file opens
  encrypted           nothing, but the session asks for encryption
  no-credits          every answer grants no credit
  pending-forever     opens are answered "pending", once a second, for ever
  pending-once        opens and pipe transactions first answered "pending",
                      then for good, as an asynchronous answer
  pending-final       opens are answered "pending" as a final, signed answer
  timeout-status      opens are answered STATUS_TIMEOUT, a success-class status
  bad-signature       every signed answer after the logon has a wrong signature
  unsigned-final      the logon's final answer on 3.1.1 is not signed
  preauth-downgrade   the server hashed a negotiate request other than the
                      client's (changed on the way): its logon key differs
  validated           nothing, on 3.0: validate negotiate agrees
  validate-downgrade  3.0; validate negotiate says the server chose 3.0.2
  bad-offset          the negotiate answer's security buffer lies past its end
  bad-contexts        the negotiate answer counts more contexts than it holds
  truncated           the negotiate answer ends inside its header
  wildcard            every negotiate is answered with the wildcard dialect
  zero-sizes          the negotiate answer allows no byte to be read, written
                      or transacted
  bad-session-offset  the logon's challenge lies past the end of its answer
  bad-challenge       the NTLM challenge's target information lies past its end
  bad-mechlistmic     the logon's last token carries a mechListMIC that is wrong
  bad-ioctl           pipe transactions answer with output past the message
  bad-transform-tag   the session asks for encryption; the answers' tags fail
  plain-answer        the session asks for encryption; answers come signed only
  guest               the logon ends as a guest session, unsigned
  null                the logon ends as an anonymous session, unsigned
  endless-answer      every pipe transaction and every READ on a pipe is
                      answered with 64 KiB and STATUS_BUFFER_OVERFLOW ("there
                      is more"), for ever; the first 64 KiB of a bind begin
                      with its bind_ack, so the pipe is bound and the next
                      call first drains what is left of the answer

Its crypto is pycryptodome's (python3-pycryptodome, which python3-impacket
brings too). Writes PIDFILE once it listens; logs each request to standard
error.
"""

import hashlib
import hmac
import os
import select
import socket
import socketserver
import struct
import sys
import time

from Cryptodome.Cipher import AES
from Cryptodome.Hash import CMAC, MD4

MODES = ("good", "encrypted", "no-credits", "pending-forever", "pending-once", "pending-final",
         "timeout-status", "bad-signature", "unsigned-final", "preauth-downgrade", "validated",
         "validate-downgrade", "bad-offset", "bad-contexts", "truncated", "wildcard", "zero-sizes",
         "bad-session-offset", "bad-challenge", "bad-mechlistmic", "bad-ioctl",
         "bad-transform-tag", "plain-answer", "guest", "null", "endless-answer")
DEFAULT_PASSWORD = "Fault-Pass1"

NEGOTIATE, SESSION_SETUP, LOGOFF, TREE_CONNECT, TREE_DISCONNECT = 0, 1, 2, 3, 4
CREATE, CLOSE, READ, IOCTL = 5, 6, 8, 11
SUCCESS, PENDING, MORE_PROCESSING, BUFFER_OVERFLOW = 0, 0x103, 0xC0000016, 0x80000005
ACCESS_DENIED, LOGON_FAILURE, NOT_SUPPORTED = 0xC0000022, 0xC000006D, 0xC00000BB
SERVER_TO_REDIR, ASYNC, SIGNED = 0x1, 0x2, 0x8
FSCTL_VALIDATE_NEGOTIATE_INFO = 0x00140204
SESSION_ENCRYPT_DATA = 0x4
CAP_ENCRYPTION = 0x40
AES_128_GCM, AES_CMAC = 2, 1
NTLMSSP_OID = bytes.fromhex("2b06010401823702020a")
# UNICODE, REQUEST_TARGET, SIGN, NTLM, ALWAYS_SIGN, EXTENDED_SESSIONSECURITY,
# TARGET_INFO, 128, 56; no KEY_EXCH, so the session key is the base key.
CHALLENGE_FLAGS = 0x1 | 0x4 | 0x10 | 0x200 | 0x8000 | 0x80000 | 0x800000 | 0x20000000 | 0x80000000
SERVER_GUID = bytes(range(16))
SESSION_ID = 0x0000400000000011
ENDLESS_CHUNK = 65536
RPC_BIND, RPC_BIND_ACK = 11, 12
NDR_SYNTAX = bytes.fromhex("045d888aeb1cc9119fe808002b104860") + struct.pack("<I", 2)


def der(tag, content):
    n = len(content)
    if n < 0x80:
        length = bytes([n])
    else:
        raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
        length = bytes([0x80 | len(raw)]) + raw
    return bytes([tag]) + length + content


def utf16(text):
    return text.encode("utf-16-le")


def kdf(key, label, context):
    data = struct.pack(">I", 1) + label + b"\0" + context + struct.pack(">I", 128)
    return hmac.new(key, data, hashlib.sha256).digest()[:16]


def field(message, at):
    """An NTLM (length, max length, offset) field's bytes, as they stand."""
    length, _, offset = struct.unpack_from("<HHI", message, at)
    return message[offset:offset + length]


def challenge_message(server_challenge, lying=False):
    pairs = b""
    for av_id, value in ((2, utf16("FAULT")), (1, utf16("FAULTHOST"))):
        pairs += struct.pack("<HH", av_id, len(value)) + value
    pairs += struct.pack("<HH", 0, 0)
    name = utf16("FAULT")
    header = 56
    return (b"NTLMSSP\0" + struct.pack("<I", 2) + struct.pack("<HHI", len(name), len(name), header)
            + struct.pack("<I", CHALLENGE_FLAGS) + server_challenge + bytes(8)
            + struct.pack("<HHI", len(pairs), len(pairs), header + len(name) + 800 * lying)
            + bytes([10, 0, 0x63, 0x45, 0, 0, 0, 15]) + name + pairs)


def bind_ack(bind):
    """An RPC bind_ack accepting the bind's one context with NDR (DCE 1.1
    RPC 12.6.4.4), answering its call id."""
    call_id, = struct.unpack_from("<I", bind, 12)
    body = (struct.pack("<HHI", 4280, 4280, 0x1234) + struct.pack("<H", 0) + bytes(2)
            + struct.pack("<B3x", 1) + struct.pack("<HH", 0, 0) + NDR_SYNTAX)
    return struct.pack("<BBBBIHHI", 5, 0, RPC_BIND_ACK, 3, 0x10, 16 + len(body), 0, call_id) + body


class Connection:
    def __init__(self, sock, mode, password):
        self.sock, self.mode, self.password = sock, mode, password
        self.dialect = 0x0300 if mode in ("validated", "validate-downgrade") else 0x0311
        self.hash = bytes(64)
        self.server_challenge = os.urandom(8)
        self.signing_key = self.encrypt_key = self.decrypt_key = None
        self.encrypting = False
        self.logged_on = False
        self.next_tree = 1
        self.next_file = 1

    # --- framing, signing, sealing ---

    def receive(self):
        head = self.read_exactly(4)
        if head is None:
            return None
        return self.read_exactly(int.from_bytes(head[1:], "big"))

    def read_exactly(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                return None
            data += chunk
        return data

    def send(self, message):
        self.sock.sendall(len(message).to_bytes(4, "big") + message)

    def sign(self, message):
        message = bytearray(message)
        struct.pack_into("<I", message, 16, struct.unpack_from("<I", message, 16)[0] | SIGNED)
        message[48:64] = bytes(16)
        mac = CMAC.new(self.signing_key, ciphermod=AES)
        mac.update(bytes(message))
        message[48:64] = mac.digest()
        if self.mode == "bad-signature" and self.logged_on:
            message[50] ^= 0x01
        return bytes(message)

    def seal(self, message):
        nonce = os.urandom(12)
        aad = nonce + bytes(4) + struct.pack("<IHHQ", len(message), 0, 1, SESSION_ID)
        cipher = AES.new(self.encrypt_key, AES.MODE_GCM, nonce=nonce)
        cipher.update(aad)
        sealed, tag = cipher.encrypt_and_digest(message)
        if self.mode == "bad-transform-tag":
            tag = bytes([tag[0] ^ 0x80]) + tag[1:]
        return b"\xfdSMB" + tag + aad + sealed

    def unseal(self, message):
        nonce, aad = message[20:32], message[20:52]
        cipher = AES.new(self.decrypt_key, AES.MODE_GCM, nonce=nonce)
        cipher.update(aad)
        return cipher.decrypt_and_verify(message[52:], message[4:20])

    # --- answers ---

    def header(self, request, status, credits, flags=SERVER_TO_REDIR, async_id=None):
        command, = struct.unpack_from("<H", request, 12)
        asked, = struct.unpack_from("<H", request, 14)
        message_id, = struct.unpack_from("<Q", request, 24)
        tree_id, session_id = struct.unpack_from("<IQ", request, 36)
        if command == SESSION_SETUP:
            session_id = SESSION_ID
        granted = 0 if self.mode == "no-credits" else max(1, min(asked, credits))
        middle = (struct.pack("<Q", async_id) if async_id is not None
                  else struct.pack("<II", 0xFEFF, tree_id))
        return (b"\xfeSMB" + struct.pack("<HHIHHII", 64, 0, status, command, granted, flags, 0)
                + struct.pack("<Q", message_id) + middle + struct.pack("<Q", session_id)
                + bytes(16))

    def answer(self, request, status, body, signed=True):
        command, = struct.unpack_from("<H", request, 12)
        if self.mode == "pending-once" and command in (CREATE, IOCTL):
            self.send(self.header(request, PENDING, 1, SERVER_TO_REDIR | ASYNC, async_id=9)
                      + struct.pack("<HBBI", 9, 0, 0, 0) + b"\0")
            message = self.header(request, status, 32, SERVER_TO_REDIR | ASYNC, async_id=9) + body
        else:
            message = self.header(request, status, 32) + body
        if self.encrypting:
            self.send(self.seal(message))
        elif signed and self.signing_key is not None:
            self.send(self.sign(message))
        else:
            self.send(message)

    def error(self, request, status):
        self.answer(request, status, struct.pack("<HBBI", 9, 0, 0, 0) + b"\0")

    # --- commands ---

    def negotiate(self, request):
        count, = struct.unpack_from("<H", request, 66)
        offered = struct.unpack_from("<%dH" % count, request, 100)
        if self.mode == "wildcard":
            self.dialect = 0x02FF
        elif self.dialect not in offered:
            return self.error(request, NOT_SUPPORTED)
        contexts = b""
        if self.dialect == 0x0311:
            salt = os.urandom(32)
            for kind, data in ((1, struct.pack("<HHH", 1, len(salt), 1) + salt),
                               (2, struct.pack("<HH", 1, AES_128_GCM)),
                               (8, struct.pack("<HH", 1, AES_CMAC))):
                contexts += b"\0" * (-len(contexts) % 8)
                contexts += struct.pack("<HHI", kind, len(data), 0) + data
        now = int((time.time() + 11644473600) * 10**7)
        sizes = (0, 0, 0) if self.mode == "zero-sizes" else (65536,) * 3
        # No token of its own; bad-offset announces 16 bytes far past the end.
        security_offset, security_length = (64 + 64, 0) if self.mode != "bad-offset" else (4000, 16)
        context_offset = (64 + 64 + 7) // 8 * 8
        count = (9 if self.mode == "bad-contexts" else 3) if contexts else 0
        body = (struct.pack("<HHHH", 65, 0x1, self.dialect, count) + SERVER_GUID
                + struct.pack("<IIIIQQHHI", CAP_ENCRYPTION if self.dialect == 0x0300 else 0,
                              *sizes, now, 0, security_offset, security_length,
                              context_offset if contexts else 0)
                + contexts)
        message = self.header(request, SUCCESS, 1) + body
        hashed_request = request
        if self.mode == "preauth-downgrade":
            # As the server received it: someone cleared the client's
            # signing bit in the security mode on the way.
            hashed_request = bytearray(request)
            hashed_request[68] &= ~0x01
        self.hash = hashlib.sha512(self.hash + bytes(hashed_request)).digest()
        self.hash = hashlib.sha512(self.hash + message).digest()
        self.send(message if self.mode != "truncated" else message[:40])

    def session_setup(self, request):
        offset, length = struct.unpack_from("<HH", request, 64 + 12)
        token = request[offset:offset + length]
        self.hash = hashlib.sha512(self.hash + request).digest()
        at = token.find(b"NTLMSSP\0")
        if at < 0:
            return self.error(request, LOGON_FAILURE)
        ntlm = token[at:]
        kind, = struct.unpack_from("<I", ntlm, 8)
        if kind == 1:
            challenge = challenge_message(self.server_challenge, self.mode == "bad-challenge")
            resp = der(0xA1, der(0x30, der(0xA0, der(0x0A, b"\x01"))
                                 + der(0xA1, der(0x06, NTLMSSP_OID))
                                 + der(0xA2, der(0x04, challenge))))
            offset = 64 + 8 if self.mode != "bad-session-offset" else 64 + 8 + 5000
            message = self.header(request, MORE_PROCESSING, 32) + \
                struct.pack("<HHHH", 9, 0, offset, len(resp)) + resp
            self.hash = hashlib.sha512(self.hash + message).digest()
            return self.send(message)
        nt_response = field(ntlm, 20)
        domain, user = field(ntlm, 28).decode("utf-16-le"), field(ntlm, 36).decode("utf-16-le")
        nt_hash = MD4.new(utf16(self.password)).digest()
        key = hmac.new(nt_hash, utf16(user.upper() + domain), hashlib.md5).digest()
        proof = hmac.new(key, self.server_challenge + nt_response[16:], hashlib.md5).digest()
        if len(nt_response) < 48 or not hmac.compare_digest(proof, nt_response[:16]):
            print("smb2_responder: logon of %s\\%s refused" % (domain, user), file=sys.stderr)
            return self.error(request, LOGON_FAILURE)
        session_key = hmac.new(key, proof, hashlib.md5).digest()
        if self.dialect == 0x0311:
            self.signing_key = kdf(session_key, b"SMBSigningKey\0", self.hash)
            self.decrypt_key = kdf(session_key, b"SMBC2SCipherKey\0", self.hash)
            self.encrypt_key = kdf(session_key, b"SMBS2CCipherKey\0", self.hash)
        else:
            self.signing_key = kdf(session_key, b"SMB2AESCMAC\0", b"SmbSign\0")
        sealed = ("encrypted", "bad-transform-tag", "plain-answer")
        flags = SESSION_ENCRYPT_DATA if self.mode in sealed else 0
        if self.mode in ("guest", "null"):
            self.signing_key = None
            flags = 0x1 if self.mode == "guest" else 0x2
        # A final answer, accept-completed; signed with the new key.
        mic = b""
        if self.mode == "bad-mechlistmic":
            mic = der(0xA3, der(0x04, bytes([1]) + bytes(15)))
        resp = der(0xA1, der(0x30, der(0xA0, der(0x0A, b"\x00")) + mic))
        self.answer(request, SUCCESS, struct.pack("<HHHH", 9, flags, 64 + 8, len(resp)) + resp,
                    signed=self.mode != "unsigned-final")
        self.encrypting = flags & SESSION_ENCRYPT_DATA != 0 and self.mode != "plain-answer"
        self.logged_on = True

    def tree_connect(self, request):
        offset, length = struct.unpack_from("<HH", request, 64 + 4)
        path = request[offset:offset + length].decode("utf-16-le", "replace")
        share_type = 2 if path.upper().endswith("\\IPC$") else 1
        tree_id, self.next_tree = self.next_tree, self.next_tree + 1
        message = bytearray(self.header(request, SUCCESS, 32)
                            + struct.pack("<HBBIII", 16, share_type, 0, 0, 0, 0x001F01FF))
        struct.pack_into("<I", message, 36, tree_id)
        if self.encrypting:
            return self.send(self.seal(bytes(message)))
        self.send(self.sign(bytes(message)) if self.signing_key else bytes(message))

    def create(self, request):
        if self.mode == "pending-forever":
            return self.pend(request)
        if self.mode in ("pending-final", "timeout-status"):
            return self.error(request, PENDING if self.mode == "pending-final" else 0x102)
        file_id = struct.pack("<QQ", self.next_file, 0xF11E)
        self.next_file += 1
        self.answer(request, SUCCESS, struct.pack("<HBBI", 89, 0, 0, 1) + bytes(32)
                    + struct.pack("<QQII", 0, 0, 0x80, 0) + file_id + struct.pack("<II", 0, 0))

    def ioctl(self, request):
        code, = struct.unpack_from("<I", request, 64 + 4)
        file_id = request[64 + 8:64 + 24]
        if code == FSCTL_VALIDATE_NEGOTIATE_INFO:
            # The server's own view of the negotiation; after a downgrade, not
            # what the negotiate answer said.
            dialect = 0x0302 if self.mode == "validate-downgrade" else self.dialect
            output = (struct.pack("<I", CAP_ENCRYPTION) + SERVER_GUID
                      + struct.pack("<HH", 1, dialect))
            return self.answer(request, SUCCESS, struct.pack("<HHI", 49, 0, code) + file_id
                               + struct.pack("<IIIIII", 0, 0, 64 + 48, len(output), 0, 0) + output)
        if self.mode == "endless-answer":
            offset, length = struct.unpack_from("<II", request, 64 + 24)
            data = request[offset:offset + length]
            start = bind_ack(data) if data[2:3] == bytes([RPC_BIND]) else b""
            output = start + bytes(ENDLESS_CHUNK - len(start))
            return self.answer(request, BUFFER_OVERFLOW, struct.pack("<HHI", 49, 0, code)
                               + file_id + struct.pack("<IIIIII", 0, 0, 64 + 48, len(output), 0, 0)
                               + output)
        if self.mode == "bad-ioctl":
            # 40 bytes of output claimed at an offset past the message's end.
            return self.answer(request, SUCCESS, struct.pack("<HHI", 49, 0, code) + file_id
                               + struct.pack("<IIIIII", 0, 0, 64 + 48 + 64, 40, 0, 0) + bytes(8))
        self.error(request, ACCESS_DENIED)

    def read(self, request):
        if self.mode != "endless-answer":
            return self.error(request, ACCESS_DENIED)
        self.answer(request, BUFFER_OVERFLOW, struct.pack("<HBBIII", 17, 64 + 16, 0, ENDLESS_CHUNK,
                                                          0, 0) + bytes(ENDLESS_CHUNK))

    def pend(self, request):
        """Interim answers, one a second, until the client goes."""
        while True:
            self.send(self.header(request, PENDING, 1, SERVER_TO_REDIR | ASYNC, async_id=7)
                      + struct.pack("<HBBI", 9, 0, 0, 0) + b"\0")
            readable, _, _ = select.select([self.sock], [], [], 1.0)
            if readable and not self.sock.recv(65536):
                return

    def serve(self):
        handlers = {NEGOTIATE: self.negotiate, SESSION_SETUP: self.session_setup,
                    TREE_CONNECT: self.tree_connect, CREATE: self.create, READ: self.read,
                    IOCTL: self.ioctl}
        while True:
            message = self.receive()
            if message is None:
                return
            if message[:4] == b"\xfdSMB":
                message = self.unseal(message)
            # A compounded message: each request behind the NextCommand of
            # the one before, answered one by one, each in a message of its
            # own (as a server may answer a chain).
            while message:
                next_command, = struct.unpack_from("<I", message, 20)
                request = message[:next_command] if next_command else message
                message = message[next_command:] if next_command else b""
                self.dispatch(handlers, request)

    def dispatch(self, handlers, message):
        command, = struct.unpack_from("<H", message, 12)
        print("smb2_responder: %s: command %d" % (self.mode, command), file=sys.stderr,
              flush=True)
        if command in handlers:
            handlers[command](message)
        elif command in (CLOSE, LOGOFF, TREE_DISCONNECT):
            size = 60 if command == CLOSE else 4
            self.answer(message, SUCCESS, struct.pack("<H", size) + bytes(size - 2))
        else:
            self.error(message, ACCESS_DENIED)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        # Interim and final answers go at once, not held for an ACK.
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            Connection(self.request, self.server.mode, self.server.password).serve()
        except (OSError, ValueError, struct.error) as e:
            print("smb2_responder: connection ended: %s" % e, file=sys.stderr, flush=True)


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    address, mode, pidfile = sys.argv[1:4]
    if mode not in MODES:
        sys.exit("smb2_responder: unknown mode %s" % mode)
    server = Server((address, 445), Handler)
    server.mode = mode
    server.password = sys.argv[4] if len(sys.argv) > 4 else DEFAULT_PASSWORD
    with open(pidfile, "w") as f:
        f.write("%d\n" % os.getpid())
    server.serve_forever()


if __name__ == "__main__":
    main()
