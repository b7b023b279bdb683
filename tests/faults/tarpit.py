#!/usr/bin/python3
"""A server that accepts TCP connections and never answers.

  tarpit.py ADDRESS PORT PIDFILE

Accepts every connection on ADDRESS:PORT, reads and drops whatever arrives,
and never sends a byte; connections stay open until the peer closes them.
Writes PIDFILE once it listens, and logs each connection's bytes to standard
error on close.
"""

import os
import selectors
import socket
import sys


def main():
    address, port, pidfile = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    family = socket.AF_INET6 if ":" in address else socket.AF_INET
    listener = socket.socket(family, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, port))
    listener.listen(64)
    with open(pidfile, "w") as f:
        f.write("%d\n" % os.getpid())
    selector = selectors.DefaultSelector()
    selector.register(listener, selectors.EVENT_READ)
    received = {}
    while True:
        for key, _ in selector.select():
            if key.fileobj is listener:
                conn, _ = listener.accept()
                received[conn] = 0
                selector.register(conn, selectors.EVENT_READ)
                continue
            conn = key.fileobj
            data = conn.recv(65536)
            if data:
                received[conn] += len(data)
                continue
            print("tarpit: a connection closed after %d bytes" % received.pop(conn),
                  file=sys.stderr, flush=True)
            selector.unregister(conn)
            conn.close()


if __name__ == "__main__":
    main()
