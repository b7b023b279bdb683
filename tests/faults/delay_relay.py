#!/usr/bin/python3
"""A relay that puts a fixed delay on each direction, as a distant link does.

  delay_relay.py ADDRESS TARGET DELAY_MS COUNTFILE PIDFILE

Listens on ADDRESS, TCP ports 445 and 139 and UDP port 137, and relays each
to the same port of TARGET. Every piece of data, either way, is held
DELAY_MS milliseconds after it arrives and then passed on, in order: a
request-answer exchange costs twice the delay, and pieces sent together
stay together (the delay is per piece, not added up). The relay's own
kernel answers pings to ADDRESS at once.

Counts the round trips of each TCP connection: a round trip is a burst of
the client's data that follows data of the server's (or begins the
connection), i.e. each time the client speaks again after waiting for the
server. When a connection ends one line goes to COUNTFILE:
"PORT ROUND_TRIPS CLIENT_BYTES SERVER_BYTES". Writes PIDFILE once it
listens.
"""

import heapq
import os
import socket
import sys
import threading
import time


class Link:
    """One direction of one connection: data out after the delay, in order."""

    def __init__(self, sink, delay):
        self.sink = sink
        self.delay = delay
        self.queue = []
        self.order = 0
        self.cond = threading.Condition()
        self.closed = False
        threading.Thread(target=self.run, daemon=True).start()

    def put(self, data):
        with self.cond:
            heapq.heappush(self.queue, (time.monotonic() + self.delay, self.order, data))
            self.order += 1
            self.cond.notify()

    def close(self):
        self.put(None)

    def run(self):
        while True:
            with self.cond:
                while not self.queue:
                    self.cond.wait()
                due, _, data = self.queue[0]
                wait = due - time.monotonic()
                if wait > 0:
                    self.cond.wait(wait)
                    continue
                heapq.heappop(self.queue)
            try:
                if data is None:
                    self.sink.shutdown(socket.SHUT_WR)
                    return
                self.sink.sendall(data)
            except OSError:
                return


class Connection:
    def __init__(self, client, server, port, delay, countfile):
        self.port = port
        self.countfile = countfile
        self.lock = threading.Lock()
        self.last = None  # who sent the last data the relay saw
        self.round_trips = 0
        self.sent = {"client": 0, "server": 0}
        self.ended = 0
        to_server = Link(server, delay)
        to_client = Link(client, delay)
        threading.Thread(target=self.pump, args=(client, to_server, "client"), daemon=True).start()
        threading.Thread(target=self.pump, args=(server, to_client, "server"), daemon=True).start()

    def pump(self, source, link, who):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                with self.lock:
                    if who == "client" and self.last != "client":
                        self.round_trips += 1
                    self.last = who
                    self.sent[who] += len(data)
                link.put(data)
        except OSError:
            pass
        link.close()
        with self.lock:
            self.ended += 1
            if self.ended == 2:
                with open(self.countfile, "a") as f:
                    f.write("%d %d %d %d\n" % (self.port, self.round_trips, self.sent["client"],
                                               self.sent["server"]))


def serve_tcp(address, port, target, delay, countfile):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, port))
    listener.listen(64)

    def accept():
        while True:
            client, _ = listener.accept()
            client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            try:
                server = socket.create_connection((target, port))
            except OSError:
                client.close()
                continue
            server.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            Connection(client, server, port, delay, countfile)

    threading.Thread(target=accept, daemon=True).start()


def serve_udp(address, port, target, delay):
    # One upstream socket per client address; answers go back to it.
    outer = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    outer.bind((address, port))
    upstream = {}

    def later(fn, *args):
        threading.Timer(delay, fn, args).start()

    def answers(inner, peer):
        while True:
            try:
                data, _ = inner.recvfrom(65536)
            except OSError:
                return
            later(outer.sendto, data, peer)

    def requests():
        while True:
            data, peer = outer.recvfrom(65536)
            inner = upstream.get(peer)
            if inner is None:
                inner = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                inner.connect((target, port))
                upstream[peer] = inner
                threading.Thread(target=answers, args=(inner, peer), daemon=True).start()
            later(inner.send, data)

    threading.Thread(target=requests, daemon=True).start()


def main():
    address, target, delay_ms, countfile, pidfile = sys.argv[1:6]
    delay = float(delay_ms) / 1000.0
    for port in (445, 139):
        serve_tcp(address, port, target, delay, countfile)
    serve_udp(address, 137, target, delay)
    with open(pidfile, "w") as f:
        f.write("%d\n" % os.getpid())
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
