#!/usr/bin/env python3
"""HoralSvc end to end and headless, as a user would meet it: a local RFC 868
time server, the configuration dialog typed into under Xvfb, the service that
the dialog installed and started, the time it tried to set and the events it
wrote, then the uninstaller answered with Yes. All of it runs in a throwaway
Wine prefix on a display of its own; screenshots of the dialog and the
question go to BUILD/screenshots/. `make demo` runs the shipped
build/HoralSvc.exe, inside scripts/isolated, which makes 32-bit code run.

  python3 tools/demo.py BUILD IMAGE   (BUILD: the test build folder)
"""
import datetime
import os
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))

SERVER = "127.0.0.77"
OFFSET = 3600.3  # the demo server runs an hour and 0.3 s ahead, so the attempt and its precision are easy to see
DIALOG, QUESTION = "Horal Service", "Velmora Horal Service"
SERVICES = r"HKLM\SYSTEM\CurrentControlSet\Services"
PARAMETERS = SERVICES + r"\vmhoralsvc\Parameters"
STATUS = SERVICES + r"\vmhoralsvc\Status"
RECORD = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\vmhoralsvc"
EVENT_SOURCE = SERVICES + r"\EventLog\Application\Velmora Horal Service"
STATES = {1: "stopped", 2: "start pending", 3: "stop pending", 4: "running"}
LEVELS = {1: "error", 2: "warning", 4: "information"}


def told(session, events, since=0):
    # Prints the events the service wrote after the first `since`; returns how many it wrote in all.
    written = events(session.log_text())
    for level, number, inserts in written[since:]:
        print("   %d (%s)%s" % (number, LEVELS.get(level, level), "".join(" [%s]" % i for i in inserts)))
    return len(written)


def journey(session, exe, shots, read_log, connections, wait_for, events):
    shot = lambda name: (session.screenshot(name), os.path.join(shots, name))[1]
    state = lambda: session.state("vmhoralsvc")
    describe = lambda s: "not registered" if s is None else "%s (%s), exit code %d" % (s[0], STATES.get(s[0]), s[1])
    value = lambda key, name: (session.reg(key) or {}).get(name, ("", "(missing)"))[1]

    print("== Configuration dialog: HoralSvc.exe without arguments")
    dialog = session.start(exe)
    shown = session.probe("show", DIALOG)
    if shown.get("FOUND") != "1":
        print("!! The dialog did not appear")
        return 1
    fields = {item: text for item, _, text in shown["items"]}
    print("   Opens with servers [%s] and interval [%s]" % (fields.get(1022), fields.get(1023)))
    session.keys(DIALOG, ("type", SERVER), "Tab", ("type", "60"))
    print("   Typed %s, Tab, 60; screenshot %s" % (SERVER, shot("config-dialog.png")))
    session.keys(DIALOG, "Return")
    print("   Enter: the dialog ended with exit code %d" % dialog.wait(60))

    print("== What the dialog installed")
    running = wait_for(lambda: state() == (4, 0), 20, step=0.5)
    print("   Service vmhoralsvc: %s" % describe(state()))
    if not running:
        print("!! The installed service is not running")
        return 1
    print("   Image path: %s" % value(SERVICES + r"\vmhoralsvc", "ImagePath"))
    print("   Parameters: ServerNames=[%s] TimeInterval=%s" %
          (value(PARAMETERS, "ServerNames"), value(PARAMETERS, "TimeInterval")))
    print("   Installed-programs record: DisplayName=%s DisplayVersion=%s" %
          (value(RECORD, "DisplayName"), value(RECORD, "DisplayVersion")))
    print("                              UninstallString=%s" % value(RECORD, "UninstallString"))
    print("   Event source \"Velmora Horal Service\": %s" % ("exists" if session.reg(EVENT_SOURCE) else "absent"))

    attempts = wait_for(session.clock_attempts, 30)
    asked = read_log(connections)
    print("   Servers asked: %s, %d connections: the first answer, then the queries that narrowed it" %
          (", ".join(sorted(set(a for _, a in asked))), len(asked)))
    if not attempts:
        print("!! The service did not try to set the clock")
        return 1
    target = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(milliseconds=attempts[0])
    print("== The service tried to set the clock %+d ms (the server is %+d ms ahead), to about %s UTC" %
          (attempts[0], OFFSET * 1000, target.strftime("%Y-%m-%d %H:%M:%S.%f")[:-3]))
    wait_for(lambda: value(STATUS, "LastPrecision") != "(missing)", 5)
    print("   Status: LastResult=%s LastCorrection=%s LastPrecision=%s" %
          tuple(value(STATUS, name) for name in ("LastResult", "LastCorrection", "LastPrecision")))
    print("   (Wine refuses to change the clock, so this machine's time is untouched.)")
    print("== Events the service wrote (Wine keeps no event log: its trace has each one)")
    wait_for(lambda: len(events(session.log_text())) >= 3, 10)
    seen = told(session, events)

    print("== Uninstall: HoralSvc.exe -u vmhoralsvc")
    uninstall = session.start(exe, "-u", "vmhoralsvc")
    box = session.probe("show", QUESTION)
    print("   Question: %s" % " ".join(t for _, _, t in box["items"] if t and not t.startswith("&")))
    print("   Screenshot %s" % shot("uninstall-question.png"))
    started = time.time()
    session.keys(QUESTION, "Return")
    code = uninstall.wait(60)
    gone = wait_for(lambda: state() is None and not session.alive("HoralSvc.exe"), 10, step=0.1)
    print("   Yes (Return): exit code %d; the service %s %.1f s after Yes" %
          (code, "and its process were gone" if gone else "was still there", time.time() - started))
    print("   Installed-programs record: %s; event source: %s (kept)" %
          ("exists" if session.reg(RECORD) else "removed", "exists" if session.reg(EVENT_SOURCE) else "absent"))
    print("   The service's events since:")
    told(session, events, seen)
    return 0 if gone else 1


def main():
    build, image = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.environ.update(HORAL_BUILD=build, HORAL_SOURCE=root,
                      HORAL_PROBE=os.path.join(build, "tests", "e2e", "winprobe.exe"))
    from timeserver import TimeServers, read_log
    from wine import BUILD, Session, choose_image, events, wait_for

    exe, wine = choose_image(image)
    print("== Booting the Wine prefix template (once per build folder)")
    subprocess.run([os.path.join(root, "scripts", "wine-prefix"), "template", os.path.join(build, "wine", "template")],
                   check=True)
    shots = os.path.join(BUILD, "screenshots")
    # A display of its own: the dialogs are found by their titles on it.
    display = os.path.join(build, "demo")
    os.makedirs(display, exist_ok=True)
    fixture = os.path.join(root, "scripts", "test-fixture")
    subprocess.run([fixture, "xvfb-up", display], check=True)
    os.environ["DISPLAY"] = open(os.path.join(display, "xvfb.display")).read().strip()
    print("== Xvfb started on %s (no window manager, so dialogs have no title bar)" % os.environ["DISPLAY"])
    session, result = None, 1
    try:
        session = Session("demo", wine)
        connections = os.path.join(session.root, "connections.log")
        with TimeServers({SERVER: "offset:%s" % OFFSET}, connections):
            print("== RFC 868 time server on %s:37, %.1f s ahead of this machine" % (SERVER, OFFSET))
            result = journey(session, exe, shots, read_log, connections, wait_for, events)
    finally:
        if session:
            session.close()
        subprocess.run([fixture, "xvfb-down", display], check=False)
    print("== %s; the throwaway prefix is removed, the screenshots are in %s" % ("Done" if result == 0 else "Failed",
                                                                                  shots))
    return result


if __name__ == "__main__":
    sys.exit(main())
