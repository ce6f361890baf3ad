#!/usr/bin/env python3
# RFC 868 time servers for tests, one per loopback address, all on port 37.
#
# timeserver.py ADDRESS=MODE ... [-- COMMAND ...]
#
# serves until stopped, or runs COMMAND while serving and exits with its code.
# MODE: value:N (the 32-bit value N), offset:S (now + S seconds, S with a
# fraction too: the whole seconds of a clock that far ahead), lone:S (as
# offset, but a connection that comes within 1.5 s of an answered one is closed
# at once: only the first query of a cycle is answered), step:S:D (as offset,
# and D seconds more from the second connection on), pieces:N (N in pieces of
# 1, 2 and 1 bytes, 0.3 s apart), close:K (the first K < 4 bytes of now, then
# close), extra:N (N and 8 more bytes), silent (never answers), backlog (a full
# listen queue: a connect never completes), trickle:S (now, one byte every S
# seconds). resolver=silent is no time server: a name server on port 53 of
# HORAL_RESOLVER (see scripts/isolated) that never answers, so every name
# lookup hangs while it runs; without HORAL_RESOLVER, none.
import math
import os
import socket
import struct
import subprocess
import sys
import threading
import time


def _now(offset=0):
    return math.floor(time.time() + float(offset)) + 2208988800  # seconds since 1900


def _bytes(value):
    return struct.pack(">I", int(value) & 0xFFFFFFFF)


ANSWERS = {
    "value": lambda n: [_bytes(n)],
    "offset": lambda s: [_bytes(_now(s))],
    "lone": lambda s, again: [b"" if again else _bytes(_now(s))],
    "step": lambda s, d, count: [_bytes(_now(float(s) + (count > 1) * float(d)))],
    "pieces": lambda n: [_bytes(n)[:1], _bytes(n)[1:3], _bytes(n)[3:]],
    "close": lambda k: [_bytes(_now())[:int(k)]],
    "extra": lambda n: [_bytes(n) + b"\xAA" * 8],
    "trickle": lambda s: [bytes([b]) for b in _bytes(_now())],
    "silent": lambda: None,
}


class TimeServers:
    # with TimeServers({"127.0.0.2": "value:0"}, log): each accepted connection
    # is logged as "<time> <address>" the moment it is accepted.

    def __init__(self, specs, log="/dev/null"):
        self.specs, self.log, self.sockets, self.stopping = specs, log, [], False
        self.lock, self.count, self.last = threading.Lock(), {}, {}
        open(log, "w").close()

    def __enter__(self):
        for address, spec in self.specs.items():
            mode, *args = spec.split(":")
            names = address == "resolver"
            address, port = (os.environ.get("HORAL_RESOLVER"), 53) if names else (address, 37)
            if address is None:
                continue
            s = socket.socket(type=socket.SOCK_DGRAM if names else socket.SOCK_STREAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            self.sockets.append(s)
            try:
                s.bind((address, port))
            except OSError as error:  # another program holds the port: say which, at once
                self.__exit__()
                raise OSError("cannot listen on %s:%d: %s" % (address, port, error.strerror)) from None
            if names:
                continue  # it reads nothing, and the queries wait unanswered in its queue
            s.listen(0 if mode == "backlog" else 16)
            s.settimeout(0.1)
            # A backlog server never accepts: fill its queue of one, and the
            # kernel drops every further SYN, so the client keeps waiting.
            for _ in range(3 if mode == "backlog" else 0):
                self.sockets.append(socket.socket())
                self.sockets[-1].setblocking(False)
                self.sockets[-1].connect_ex((address, 37))
            if mode != "backlog":
                threading.Thread(target=self._serve, args=(s, address, mode, args), daemon=True).start()
        time.sleep(0.2)
        return self

    def _serve(self, s, address, mode, args):
        while not self.stopping:
            try:
                conn, _ = s.accept()
            except OSError:
                continue
            with self.lock, open(self.log, "a") as f:
                f.write("%.3f %s\n" % (time.time(), address))
                count = self.count[address] = self.count.get(address, 0) + 1
                again = time.time() - self.last.get(address, 0) < 1.5
                self.last[address] = 0 if again else time.time()
            self.sockets.append(conn)
            extra = {"lone": [again], "step": [count]}.get(mode, [])
            threading.Thread(target=self._answer, args=(conn, mode, args + extra), daemon=True).start()

    def _answer(self, conn, mode, args):
        pieces = ANSWERS[mode](*args)
        try:
            for piece in pieces or []:
                conn.sendall(piece)
                time.sleep(float(args[0]) if mode == "trickle" else 0.3 if mode == "pieces" else 0)
        except OSError:  # the client gave up first
            pass
        if pieces:
            time.sleep(0.05)
            conn.close()

    def __exit__(self, *exc):
        self.stopping = True
        time.sleep(0.2)
        for s in self.sockets:
            s.close()


def read_log(path):
    # The connections logged so far: a list of (time, address).
    with open(path) as f:
        return [(float(t), a) for t, a in (line.split() for line in f)]


def cycles(log):
    # The servers a log shows asked, one (time, address) for each: the queries with which the service narrows an
    # answer follow it to the same address within a second and a bit, and cycles lie at least 4 s apart.
    return [(t, a) for i, (t, a) in enumerate(log) if i == 0 or log[i - 1][1] != a or t - log[i - 1][0] > 1.5]


if __name__ == "__main__":
    cut = sys.argv.index("--") if "--" in sys.argv else len(sys.argv)
    with TimeServers(dict(item.split("=", 1) for item in sys.argv[1:cut])):
        sys.exit(subprocess.call(sys.argv[cut + 1:]) if cut < len(sys.argv) else threading.Event().wait())
