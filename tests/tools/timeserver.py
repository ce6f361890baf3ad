#!/usr/bin/env python3
"""RFC 868 time servers for tests, one per loopback address, all on port 37.

Each server is given as ADDRESS=MODE[:ARG]:
  value:N          answer the 32-bit value N at once
  offset:S         answer now + S seconds (S may be negative) at once
  pieces:SIZES:P   answer now in pieces of the given sizes ("1,2,1"), P seconds apart;
                   with VALUE given as pieces:SIZES:P:N the value N is sent instead
  close:K          send the first K (< 4) bytes of now, then close
  silent           accept and never answer (the connection stays open)
  extra:N[:V]      send now (or V) followed by N more bytes
  backlog          listen with a full backlog and never accept, so that a
                   connect attempt is never completed
  refuse           nothing listens (the address is only recorded as configured)

Every accepted connection is appended to the log file as one line
"<unix time with fraction> <address>" as soon as it is accepted, so that tests
can check which servers were asked and in which order. A "backlog" server is
never asked in that sense: nothing is accepted.

Run as a program it serves until SIGTERM/SIGINT and writes READY to the
ready file once every listener is bound. Imported, use TimeServers(...) as a
context manager.
"""
import argparse
import os
import signal
import socket
import struct
import sys
import threading
import time

EPOCH_OFFSET = 2208988800  # seconds from 1900-01-01 to 1970-01-01


def server_now(offset=0):
    return (int(time.time()) + EPOCH_OFFSET + offset) & 0xFFFFFFFF


class _Server:
    def __init__(self, address, spec, log):
        self.address = address
        self.log = log
        parts = spec.split(":")
        self.mode = parts[0]
        self.thread = None
        self.args = parts[1:]
        self.sock = None
        self.fillers = []
        self.open_conns = []
        self.stopping = False

    def start(self):
        if self.mode == "refuse":
            return
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind((self.address, 37))
        if self.mode == "backlog":
            # listen(0) queues one connection; fill the queue ourselves so that
            # the kernel drops every further SYN and the client keeps waiting.
            self.sock.listen(0)
            for _ in range(3):
                c = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                c.setblocking(False)
                try:
                    c.connect((self.address, 37))
                except BlockingIOError:
                    pass
                self.fillers.append(c)
            time.sleep(0.2)
            return
        self.sock.listen(16)
        # A blocked accept would keep the address bound after stop().
        self.sock.settimeout(0.1)
        self.thread = threading.Thread(target=self._accept_loop, daemon=True)
        self.thread.start()

    def _accept_loop(self):
        while not self.stopping:
            try:
                conn, _ = self.sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            conn.settimeout(None)
            self.log.record(self.address)
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _payload(self, value=None):
        return struct.pack(">I", server_now() if value is None else value & 0xFFFFFFFF)

    def _serve(self, conn):
        try:
            m, a = self.mode, self.args
            if m == "value":
                conn.sendall(self._payload(int(a[0])))
            elif m == "offset":
                conn.sendall(self._payload(server_now(int(a[0]))))
            elif m == "pieces":
                sizes = [int(x) for x in a[0].split(",")]
                pause = float(a[1]) if len(a) > 1 else 0.3
                data = self._payload(int(a[2]) if len(a) > 2 else None)
                pos = 0
                for n in sizes:
                    conn.sendall(data[pos:pos + n])
                    pos += n
                    if pos < len(data):
                        time.sleep(pause)
            elif m == "close":
                conn.sendall(self._payload()[: int(a[0])])
                time.sleep(0.1)
            elif m == "silent":
                self.open_conns.append(conn)
                return
            elif m == "extra":
                value = int(a[1]) if len(a) > 1 else None
                conn.sendall(self._payload(value) + b"\xAA" * int(a[0]))
                time.sleep(0.2)
            else:
                raise ValueError("unknown mode " + m)
            conn.close()
        except OSError:
            pass

    def stop(self):
        self.stopping = True
        if getattr(self, "thread", None) is not None:
            self.thread.join()
        for s in [self.sock] + self.fillers + self.open_conns:
            if s is not None:
                try:
                    s.close()
                except OSError:
                    pass


class _Log:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        if path:
            open(path, "w").close()

    def record(self, address):
        if not self.path:
            return
        with self.lock, open(self.path, "a") as f:
            f.write("%.3f %s\n" % (time.time(), address))


class TimeServers:
    """Context manager: TimeServers({"127.0.0.2": "value:0"}, log_path)."""

    def __init__(self, specs, log_path=None):
        self.log = _Log(log_path)
        self.servers = [_Server(a, s, self.log) for a, s in specs.items()]

    def __enter__(self):
        for s in self.servers:
            s.start()
        return self

    def __exit__(self, *exc):
        for s in self.servers:
            s.stop()
        return False


def read_log(path):
    """The connections recorded so far: a list of (time, address)."""
    out = []
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                t, a = line.split()
                out.append((float(t), a))
    return out


def parse_specs(items):
    specs = {}
    for item in items:
        address, _, spec = item.partition("=")
        specs[address] = spec
    return specs


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("servers", nargs="+", help="ADDRESS=MODE[:ARG]")
    p.add_argument("--log", help="connection log file")
    p.add_argument("--ready", help="file that receives READY once listening")
    args = p.parse_args()
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    with TimeServers(parse_specs(args.servers), args.log):
        if args.ready:
            with open(args.ready, "w") as f:
                f.write("READY\n")
        print("timeserver: listening", flush=True)
        done.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
