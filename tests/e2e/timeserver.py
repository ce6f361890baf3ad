#!/usr/bin/env python3
"""RFC 868 time servers for tests, one per loopback address, all on port 37.

  timeserver.py [--log FILE] ADDRESS=MODE ... [-- COMMAND ...]

serves until stopped, or runs COMMAND while serving and exits with its code.
MODE is one of
  value:N          the 32-bit value N            offset:S   now + S seconds
  pieces:N         N in pieces of 1, 2, 1 bytes, 0.3 s apart
  close:K          the first K (< 4) bytes of now, then close
  silent           accept and never answer       extra:N    N, then 8 more bytes
  backlog          a full listen queue: a connect is never completed
  phase:F:S        wait until F seconds past a full second, then now + S
Every accepted connection is logged as "<time> <address>" when accepted.
"""
import socket
import struct
import subprocess
import sys
import threading
import time

EPOCH_OFFSET = 2208988800  # seconds from 1900 to 1970


def server_now(offset=0):
    return (int(time.time()) + EPOCH_OFFSET + int(offset)) & 0xFFFFFFFF


def _answer(conn, mode, args):
    pack = lambda value: struct.pack(">I", int(value) & 0xFFFFFFFF)
    if mode == "value":
        conn.sendall(pack(args[0]))
    elif mode == "offset":
        conn.sendall(pack(server_now(args[0])))
    elif mode == "pieces":
        data = pack(args[0])
        for piece in (data[:1], data[1:3], data[3:]):
            conn.sendall(piece)
            time.sleep(0.3)
    elif mode == "close":
        conn.sendall(pack(server_now())[:int(args[0])])
    elif mode == "extra":
        conn.sendall(pack(args[0]) + b"\xAA" * 8)
    elif mode == "phase":
        time.sleep((float(args[0]) - time.time()) % 1.0)
        conn.sendall(pack(server_now(args[1])))
    if mode != "silent":
        time.sleep(0.05)
        conn.close()


class TimeServers:
    """Context manager: with TimeServers({"127.0.0.2": "value:0"}, log): ..."""

    def __init__(self, specs, log=None):
        self.specs, self.log, self.sockets, self.stopping = specs, log, [], False
        self.lock = threading.Lock()
        if log:
            open(log, "w").close()

    def __enter__(self):
        for address, spec in self.specs.items():
            mode, *args = spec.split(":")
            s = socket.socket()
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.bind((address, 37))
            self.sockets.append(s)
            if mode == "backlog":
                # listen(0) queues one connection; fill the queue so that the
                # kernel drops every further SYN and the client keeps waiting.
                s.listen(0)
                for _ in range(3):
                    filler = socket.socket()
                    filler.setblocking(False)
                    filler.connect_ex((address, 37))
                    self.sockets.append(filler)
                continue
            s.listen(16)
            s.settimeout(0.1)
            threading.Thread(target=self._serve, args=(s, address, mode, args), daemon=True).start()
        time.sleep(0.2)
        return self

    def _serve(self, s, address, mode, args):
        while not self.stopping:
            try:
                conn, _ = s.accept()
            except OSError:
                continue
            if self.log:
                with self.lock, open(self.log, "a") as f:
                    f.write("%.3f %s\n" % (time.time(), address))
            self.sockets.append(conn)
            threading.Thread(target=_answer, args=(conn, mode, args), daemon=True).start()

    def __exit__(self, *exc):
        self.stopping = True
        time.sleep(0.2)
        for s in self.sockets:
            s.close()


def read_log(path):
    """The connections logged so far: a list of (time, address)."""
    with open(path) as f:
        return [(float(t), a) for t, a in (line.split() for line in f)]


def main(argv):
    log = None
    if argv[:1] == ["--log"]:
        log, argv = argv[1], argv[2:]
    cut = argv.index("--") if "--" in argv else len(argv)
    specs = dict(item.split("=", 1) for item in argv[:cut])
    with TimeServers(specs, log):
        if cut < len(argv):
            return subprocess.call(argv[cut + 1:])
        print("timeserver: listening", flush=True)
        threading.Event().wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
