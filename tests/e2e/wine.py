# A Wine session of its own for one journey, and ways to drive and look into it.
#
# The first wine command of a session starts Wine's service manager, and every
# service inherits its standard error. That command runs with WINEDEBUG=EVENTS
# and its standard error goes to a log, so the log holds the time each service
# tried to set ("NtSetSystemTime not allowed: difference N ms"), every status a
# service reported (SetServiceStatus) and every event it wrote (ReportEventW,
# which keeps no log in Wine: its type, id and inserts are all there is).
import itertools
import os
import re
import shutil
import subprocess
import time


SOURCE = os.environ.get("HORAL_SOURCE", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.environ.get("HORAL_BUILD", os.path.join(SOURCE, "build", "i686"))
PREFIX_TOOL = os.path.join(SOURCE, "scripts", "wine-prefix")
WINESERVER = "/usr/lib/wine/wineserver64"
EVENTS = "err+all,trace+service,fixme+advapi,+eventlog"


def choose_image(image):
    # (image, loader): the loader of the image, as scripts/wine-image decides and says.
    return tuple(subprocess.check_output([os.path.join(SOURCE, "scripts", "wine-image"), image],
                                         text=True).splitlines())


def session_processes(prefix, image=""):
    # The Unix pids of the processes of the Wine session in `prefix` whose command line names `image`.
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as c, open("/proc/%s/environ" % pid, "rb") as e:
                if image.encode() in c.read() and b"WINEPREFIX=" + prefix.encode() + b"\0" in e.read():
                    found.append(int(pid))
        except OSError:
            pass
    return found


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def events(log):
    # The events a Wine log shows written through a registered source, in order: [(type, id, [inserts])]. Each
    # ReportEventW prints its source handle, type and id, then each insert on a line of the same thread.
    found, last = [], {}
    for thread, kind, rest in re.findall(r"^(\w+):(\w+):\w+:ReportEventW (.*)$", log, re.M):
        if kind == "fixme":
            handle, level, _, number = (int(field, 16) for field in rest[1:].split(",")[:4])
            last[thread] = (level, number, [])
            found += [last[thread]] * (handle != 0)
        elif thread in last:
            last[thread][2].append(re.sub(r"\\([0-9a-f]{4}|.)", lambda m: chr(int(m[1], 16)) if len(m[1]) == 4 else
                                          {"n": "\n", "r": "\r", "t": "\t"}.get(m[1], m[1]), rest[2:-1]))
    return found


def sources(log):
    # The names of the event sources a Wine log shows registered (as Wine prints them; it gives all one handle).
    return re.findall(r'^\w+:fixme:advapi:RegisterEventSourceW \(.*?,L"(.*)"\)', log, re.M)


def wait_for(predicate, timeout, step=0.2):
    # The first true value of `predicate` within `timeout` seconds, else its last value.
    end = time.time() + timeout
    while not (value := predicate()) and time.time() < end:
        time.sleep(step)
    return value


class Session:
    # A prefix of its own, cloned from the booted template, whose Wine programs
    # run by `wine` (the loader of the image under test). What a failed set-up
    # started is ended before the failure goes on.
    def __init__(self, name, wine):
        self.root = os.path.join(os.environ.get("HORAL_E2E", os.path.join(BUILD, "e2e")), name)
        self.prefix = os.path.join(self.root, "prefix")
        self.log = os.path.join(self.root, "wine-stderr.log")
        self.wine, self.runs = wine, itertools.count(1)
        os.makedirs(self.root, exist_ok=True)
        subprocess.run([PREFIX_TOOL, "clone", os.path.join(BUILD, "wine", "template"), self.prefix], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        display = os.path.join(BUILD, "xvfb.display")
        if "DISPLAY" not in os.environ and os.path.exists(display):
            self.env["DISPLAY"] = open(display).read().strip()
        try:
            # One session for the whole journey: Debian's wineserver otherwise ends
            # when only system processes are left, and the services with it. Its
            # output goes nowhere, so that it holds no pipe of the caller's open.
            subprocess.run([WINESERVER, "-p"], env=self.env, check=True, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            with open(self.log, "wb") as err:
                subprocess.run([wine, "cmd", "/c", "exit"], env=dict(self.env, WINEDEBUG=EVENTS),
                               stdout=subprocess.DEVNULL, stderr=err, stdin=subprocess.DEVNULL, timeout=60, check=True)
        except BaseException:
            self.close()
            raise

    def run(self, *args, encoding="utf-8"):
        # Runs a Windows program to its end; (exit code, standard output).
        p = subprocess.run([self.wine] + [str(a) for a in args], env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=60)
        return p.returncode, p.stdout.decode(encoding, "replace")

    def start(self, *args, env=None):
        # Starts a Windows program; its output goes to the file process.out (Wine may outlive a pipe).
        path = os.path.join(self.root, "run%d.out" % next(self.runs))
        with open(path, "wb") as out:
            process = subprocess.Popen([self.wine] + [str(a) for a in args], env=dict(self.env, **(env or {})),
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        process.out = path
        return process

    def probe(self, *args):
        # winprobe's KEY=VALUE lines; ITEM lines as "items": [(id, class, text)].
        values = {"items": []}
        for line in self.run(os.environ["HORAL_PROBE"], *args)[1].splitlines():
            key, _, value = line.rstrip("\r\n").partition("=")
            if key.startswith("ITEM"):
                values["items"].append((int(key[4:]),) + tuple(value.split("|", 1)))
            else:
                values[key] = value
        return values

    def state(self, service):
        # (state, exit code) from sc query, or None for an unknown service.
        out = self.run("sc", "query", service)[1]
        found = re.search(r"STATE\s+: (\d+).*?WIN32_EXIT_CODE\s+: (\d+)", out, re.S)
        return (int(found.group(1)), int(found.group(2))) if found else None

    def reg(self, key, *options):
        # The values of a registry key as {name: (type, data)}, or None.
        code, out = self.run("reg", "query", key, *options, encoding="cp850")  # the console's OEM code page
        values = dict((m[0], (m[1], m[2])) for m in re.findall(r"^    (.+?)    (REG_\w+)    ?(.*?)\r?$", out, re.M))
        return values if code == 0 else None

    def keys(self, title, *steps):
        # Gives the window named `title` on the session's display the focus and
        # presses each step: a key name, or ("type", text). The window is found
        # by its title: a loader may start the program as a process of its own.
        found = wait_for(lambda: subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--name",
                                                 "^%s$" % title], env=self.env, capture_output=True,
                                                text=True).stdout.split(), 10)
        assert found, "no X window named %r" % title
        subprocess.run(["xdotool", "windowfocus", "--sync", found[-1]], env=self.env, timeout=10)
        for step in steps:
            typed = isinstance(step, tuple)
            command = ["type", "--delay", "20", "--", step[1]] if typed else ["key", "--clearmodifiers", step]
            subprocess.run(["xdotool"] + command, env=self.env, check=True, timeout=30)

    def screenshot(self, name):
        os.makedirs(os.path.join(BUILD, "screenshots"), exist_ok=True)
        # The screen trimmed to what is shown on it (there is no window manager, so no title bar).
        subprocess.run(["import", "-window", "root", "-trim", "+repage", os.path.join(BUILD, "screenshots", name)],
                       env=self.env, check=True, timeout=30)

    def log_text(self, path=None):
        # The session's log, or the output file of a program started by it.
        with open(path or self.log, errors="replace") as f:
            return f.read()

    def clock_attempts(self):
        # The difference in ms of every attempt to set the clock so far.
        return [int(d) for d in re.findall(r"NtSetSystemTime not allowed: difference (-?\d+) ms", self.log_text())]

    def reports(self):
        # The states reported so far by services of their own process.
        return [int(s, 16) for s in re.findall(r"trace:service:SetServiceStatus \S+ 0x10 (0x\d+)", self.log_text())]

    def alive(self, image):
        # Whether a process of this session runs the named image.
        return bool(session_processes(self.prefix, image))

    def close(self):
        subprocess.run([PREFIX_TOOL, "stop", self.prefix], check=False)
        shutil.rmtree(self.prefix, ignore_errors=True)
