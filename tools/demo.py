#!/usr/bin/env python3
"""HoralSvc end to end and headless, as a user would meet it: a local RFC 868
time server, the configuration dialog typed into under Xvfb, the service that
the dialog installed and started, the time it tried to set, then the
uninstaller answered with Yes. All of it runs in a throwaway Wine prefix;
screenshots of the dialog and the question go to BUILD/demo/.

  python3 tools/demo.py BUILD      (BUILD: the x86_64 build folder)
"""
import datetime
import os
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)
sys.path.insert(0, os.path.join(root, "tests", "tools"))

SERVER = "127.0.0.77"
OFFSET = 3600  # the demo server runs one hour ahead, so the attempt is easy to see
INTERVAL = "60"
DIALOG = "Horal Service"
QUESTION_BOX = "Velmora Horal Service"
PARAMETERS = r"SYSTEM\CurrentControlSet\Services\vmhoralsvc\Parameters"
RECORD = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\vmhoralsvc"
EVENT_SOURCE = r"SYSTEM\CurrentControlSet\Services\EventLog\Application\Velmora Horal Service"
STATES = {"1": "stopped", "2": "start pending", "3": "stop pending", "4": "running"}


class Demo:
    def __init__(self, build, session, wine):
        self.build = build
        self.session = session
        self.wine = wine
        self.exe = os.environ["HORAL_EXE"]
        self.probe_exe = os.path.join(build, "tests", "app", "dlgprobe.exe")
        self.shots = os.path.join(build, "demo")
        os.makedirs(self.shots, exist_ok=True)
        self.runs = 0

    def start(self, *args):
        self.runs += 1
        base = os.path.join(self.session.root, "run%d" % self.runs)
        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            return subprocess.Popen([self.wine, self.exe] + list(args), env=self.session.env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err)

    def probe(self, *args):
        """dlgprobe's KEY=VALUE lines; ITEM lines as a list of (id, text)."""
        _, out = self.session.run(self.probe_exe, *args)
        values = {"items": []}
        for line in out.splitlines():
            key, _, value = line.strip("\r\n").partition("=")
            if key.startswith("ITEM"):
                values["items"].append((int(key[4:]), value.partition("|")[2]))
            else:
                values[key] = value
        return values

    def keys(self, process, title, *steps):
        """Focuses the X window of `process` named `title`; presses keys and
        types ("type", text) steps."""
        env = self.session.env
        for _ in range(50):
            found = subprocess.run(["xdotool", "search", "--all", "--pid", str(process.pid), "--name", "^%s$" % title],
                                   env=env, capture_output=True, text=True).stdout.split()
            if found:
                break
            time.sleep(0.2)
        else:
            raise RuntimeError("no window named %r" % title)
        subprocess.run(["xdotool", "windowfocus", "--sync", found[-1]], env=env, timeout=10, check=False)
        for step in steps:
            if isinstance(step, tuple):
                subprocess.run(["xdotool", "type", "--delay", "30", step[1]], env=env, check=True)
            else:
                subprocess.run(["xdotool", "key", "--clearmodifiers", step], env=env, check=True)

    def screenshot(self, name):
        path = os.path.join(self.shots, name)
        subprocess.run(["import", "-window", "root", path], env=self.session.env, check=True, timeout=30)
        return path

    def value(self, key, name):
        return self.probe("value", key, name).get("VALUE", "(missing)")

    def exists(self, key):
        return "exists" if self.probe("key", key).get("EXISTS") == "1" else "absent"

    def state(self):
        status = self.session.svc("query", "vmhoralsvc")
        if "STATE" not in status:
            return "not registered"
        return "%s (%s), exit code %s" % (status["STATE"], STATES.get(status["STATE"], "?"), status.get("EXIT"))


def start_display(build):
    """Xvfb of the demo's own unless a display is given; returns its folder or None."""
    if os.environ.get("DISPLAY"):
        print("== Using the display %s" % os.environ["DISPLAY"])
        return None
    folder = os.path.join(build, "demo")
    os.makedirs(folder, exist_ok=True)
    subprocess.run([os.path.join(root, "scripts", "test-fixture"), "xvfb-up", folder], check=True)
    with open(os.path.join(folder, "xvfb.display")) as f:
        os.environ["DISPLAY"] = f.read().strip()
    print("== Xvfb started on %s (no window manager, so dialogs have no title bar)" % os.environ["DISPLAY"])
    return folder


def journey(demo, connections, read_log):
    session = demo.session
    print("== Configuration dialog: HoralSvc.exe without arguments")
    dialog = demo.start()
    shown = demo.probe("show", DIALOG)
    if shown.get("FOUND") != "1":
        print("!! The dialog did not appear")
        return 1
    fields = dict(shown["items"])
    print("   Opens with servers [%s], interval [%s], focus on control %s" %
          (fields.get(1022), fields.get(1023), shown.get("FOCUS")))
    demo.keys(dialog, DIALOG, ("type", SERVER), "Tab", ("type", INTERVAL))
    print("   Typed %s, Tab, %s; screenshot %s" % (SERVER, INTERVAL, demo.screenshot("config-dialog.png")))
    demo.keys(dialog, DIALOG, "Return")
    print("   Enter: the dialog ended with exit code %d" % dialog.wait(60))

    print("== What the dialog installed")
    running = session.wait_for(lambda: demo.state().startswith("4"), 20, step=0.5)
    print("   Service vmhoralsvc: %s" % demo.state())
    if not running:
        print("!! The installed service is not running")
        return 1
    print("   Parameters: ServerNames=%s TimeInterval=%s" %
          (demo.value(PARAMETERS, "ServerNames"), demo.value(PARAMETERS, "TimeInterval")))
    print("   Installed-programs record: DisplayName=%s DisplayVersion=%s" %
          (demo.value(RECORD, "DisplayName"), demo.value(RECORD, "DisplayVersion")))
    print("                              UninstallString=%s" % demo.value(RECORD, "UninstallString"))
    print("   Event source \"Velmora Horal Service\": %s" % demo.exists(EVENT_SOURCE))

    attempts = session.wait_for(session.clock_attempts, 30)
    print("   Servers asked: %s" % ", ".join(a for _, a in read_log(connections)))
    if not attempts:
        print("!! The service did not try to set the clock")
        return 1
    target = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(milliseconds=attempts[0])
    print("== The service tried to set the clock %+d ms, to about %s UTC" %
          (attempts[0], target.strftime("%Y-%m-%d %H:%M:%S")))
    print("   (Wine refuses to change the clock, so this machine's time is untouched.)")

    print("== Uninstall: HoralSvc.exe -u vmhoralsvc")
    uninstall = demo.start("-u", "vmhoralsvc")
    box = demo.probe("show", QUESTION_BOX)
    question = [text for item_id, text in box["items"] if text and not text.startswith("&")]
    print("   Question: %s" % " ".join(question))
    print("   Screenshot %s" % demo.screenshot("uninstall-question.png"))
    started = time.time()
    demo.keys(uninstall, QUESTION_BOX, "Return")
    code = uninstall.wait(60)
    print("   Yes (Return): exit code %d after %.1f s (Wine answers the stop request after about 10 s)" %
          (code, time.time() - started))
    deleted = session.svc("delete", "vmhoralsvc").get("ERROR", "")
    print("   Service vmhoralsvc: %s, %s" %
          (demo.state(), "marked for deletion" if "1072" in deleted else "delete answered [%s]" % deleted))
    print("   Installed-programs record: %s; event source: %s (kept)" % (demo.exists(RECORD), demo.exists(EVENT_SOURCE)))
    return 0


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build", "win64"))
    os.environ.update(HORAL_BUILD=build, HORAL_SOURCE=root, HORAL_EXE=os.path.join(build, "HoralSvc.exe"),
                      HORAL_SVCCTL=os.path.join(build, "tests", "tools", "svcctl.exe"))
    from timeserver import TimeServers, read_log
    from winesession import WINE, WineSession

    print("== Booting the Wine prefix template (once per build folder)")
    subprocess.run([os.path.join(root, "scripts", "wine-prefix"), "template", os.path.join(build, "wine", "template")],
                   check=True)
    display = start_display(build)
    session = None
    try:
        session = WineSession("demo")
        connections = os.path.join(session.root, "connections.log")
        with TimeServers({SERVER: "offset:%d" % OFFSET}, connections):
            print("== RFC 868 time server on %s:37, one hour ahead of this machine" % SERVER)
            result = journey(Demo(build, session, WINE), connections, read_log)
    finally:
        if session:
            session.close()
        if display:
            subprocess.run([os.path.join(root, "scripts", "test-fixture"), "xvfb-down", display], check=False)
    if result == 0:
        print("== Done; the throwaway prefix is removed, the screenshots are in %s" % os.path.join(build, "demo"))
    return result


if __name__ == "__main__":
    sys.exit(main())
