"""A fresh Wine prefix for one end-to-end test, and ways to look into it.

The first wine command of a session starts Wine's service manager, and every
service inherits its standard error. That command runs with WINEDEBUG=err+all
and its standard error goes to a log file, so the log records what services
print and the time each one tried to set ("NtSetSystemTime not allowed:
difference N ms").
"""
import os
import re
import shutil
import subprocess
import time

WINE = "/usr/lib/wine/wine64"
SOURCE = os.environ.get("HORAL_SOURCE", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.environ.get("HORAL_BUILD", os.path.join(SOURCE, "build", "win64"))
PREFIX_TOOL = os.path.join(SOURCE, "scripts", "wine-prefix")


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WineSession:
    def __init__(self, name, extra_env=None, first_debug="err+all"):
        self.root = os.path.join(BUILD, "e2e", name)
        self.prefix = os.path.join(self.root, "prefix")
        self.log = os.path.join(self.root, "wine-stderr.log")
        os.makedirs(self.root, exist_ok=True)
        subprocess.run([PREFIX_TOOL, "clone", os.path.join(BUILD, "wine", "template"), self.prefix], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        display_file = os.path.join(BUILD, "xvfb.display")
        if "DISPLAY" not in self.env and os.path.exists(display_file):
            with open(display_file) as f:
                self.env["DISPLAY"] = f.read().strip()
        self.env.update(extra_env or {})
        # A persistent wineserver: otherwise Wine ends its service manager, and
        # with it the services, whenever no other program runs for a moment.
        subprocess.run(["/usr/lib/wine/wineserver64", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        first_env = dict(self.env, WINEDEBUG=first_debug)
        with open(self.log, "wb") as err, open(os.path.join(self.root, "first.out"), "wb") as out:
            subprocess.run([WINE, "cmd", "/c", "exit"], env=first_env, stdout=out, stderr=err,
                           stdin=subprocess.DEVNULL, timeout=120)

    def run(self, *args, timeout=60):
        """Runs a Windows program; returns (exit code, stdout text)."""
        p = subprocess.run([WINE] + [str(a) for a in args], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
        return p.returncode, p.stdout.decode("utf-8", "replace")

    def svc(self, *args, timeout=90):
        """Runs svcctl; returns its KEY=VALUE lines as a dict (values as text)."""
        code, out = self.run(os.environ["HORAL_SVCCTL"], *args, timeout=timeout)
        values = {"rc": str(code)}
        for line in out.splitlines():
            key, _, value = line.strip().partition("=")
            values[key] = value
        return values

    def reg_add(self, key, name, kind, data):
        return self.run("reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")

    def clock_attempts(self):
        """The differences in ms of every attempt to set the clock so far."""
        with open(self.log, "r", errors="replace") as f:
            return [int(m) for m in re.findall(r"NtSetSystemTime not allowed: difference (-?\d+) ms", f.read())]

    def wait_for(self, predicate, timeout, step=0.2):
        end = time.time() + timeout
        while time.time() < end:
            value = predicate()
            if value:
                return value
            time.sleep(step)
        return predicate()

    def close(self):
        subprocess.run([PREFIX_TOOL, "stop", self.prefix], check=False)
        shutil.rmtree(self.prefix, ignore_errors=True)
