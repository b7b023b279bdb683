#!/usr/bin/python3
"""A TCP relay that holds each of the server's messages back.

  slow_proxy.py ADDRESS PORT TARGET DELAY PIDFILE

Accepts connections on ADDRESS:PORT and relays each to TARGET (host:port).
What the client sends goes through at once; each piece the server sends is
held DELAY seconds before it goes on, so that a good server answers every
request slowly, yet within a client's time-out per request. Writes PIDFILE
once it listens.
"""

import os
import socket
import sys
import threading
import time


def pipe(source, sink, delay):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if delay:
                time.sleep(delay)
            sink.sendall(data)
    except OSError:
        pass
    for s in (source, sink):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def main():
    address, port, target, delay, pidfile = sys.argv[1:6]
    host, target_port = target.rsplit(":", 1)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, int(port)))
    listener.listen(16)
    with open(pidfile, "w") as f:
        f.write("%d\n" % os.getpid())
    while True:
        client, _ = listener.accept()
        try:
            server = socket.create_connection((host, int(target_port)))
        except OSError:
            client.close()
            continue
        threading.Thread(target=pipe, args=(client, server, 0), daemon=True).start()
        threading.Thread(target=pipe, args=(server, client, float(delay)), daemon=True).start()


if __name__ == "__main__":
    main()
