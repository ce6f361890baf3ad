#!/usr/bin/env python3
"""Answers the real uninstall question of HoralSvc.exe -u with xdotool.

Installs the service with the helper, runs the product's uninstall role under
Wine, finds the box by its caption, answers it from the X side and checks what
is left: "No" keeps everything, "Yes" (the default button, Return) removes the
service and its record but keeps the event source.

usage: uninstall_box.py HELPER_EXE  (HORAL_BUILD, HORAL_SOURCE, HORAL_EXE set)
"""
import os
import subprocess
import sys
import time

SERVICE, RECORD, EVENT_SOURCE, PARAMETERS = 1, 2, 4, 8
CAPTION = "Velmora Horal Service"

build = os.environ["HORAL_BUILD"]
wine_run = os.path.join(os.environ["HORAL_SOURCE"], "scripts", "wine-run")
product = os.environ["HORAL_EXE"]
helper = sys.argv[1]
with open(os.path.join(build, "xvfb.display")) as f:
    os.environ["DISPLAY"] = f.read().strip()


def wine(*args, timeout=120):
    return subprocess.run([wine_run, *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


def state():
    return wine(helper, "state")


def find_box(timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % CAPTION],
                               capture_output=True, text=True)
        windows = found.stdout.split()
        if windows:
            return windows[-1]
        time.sleep(0.3)
    raise AssertionError("no window named %r appeared" % CAPTION)


def answer(key):
    """Runs HoralSvc.exe -u, answers the box with `key`, returns the exit code."""
    process = subprocess.Popen([wine_run, product, "-u"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = find_box()
        time.sleep(0.5)  # let the box take the focus it asks for
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False, timeout=10)
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True, timeout=10)
        return process.wait(timeout=60)
    finally:
        if process.poll() is None:
            process.kill()


def wait_for_state(expected, timeout=60):
    deadline = time.time() + timeout
    current = state()
    while current != expected and time.time() < deadline:
        time.sleep(0.5)
        current = state()
    return current


def check(condition, message):
    if not condition:
        raise AssertionError(message)
    print("ok:", message)


def main():
    wine(helper, "purge")
    try:
        check(wine(helper, "install", "", "3600") == 0, "helper installed the service")
        everything = SERVICE | RECORD | EVENT_SOURCE | PARAMETERS
        check(state() == everything, "service, record, event source and parameters exist")

        check(answer("n") == 0, "uninstall role answered No exits with 0")
        check(state() == everything, "No leaves everything in place")

        check(answer("Return") == 0, "uninstall role answered Yes (Return) exits with 0")
        # The service is gone once its process has stopped; the event source stays.
        left = wait_for_state(EVENT_SOURCE)
        check(left == EVENT_SOURCE, "Yes removes service and record, keeps the event source (state %d)" % left)
    finally:
        wine(helper, "purge")
    return 0


if __name__ == "__main__":
    sys.exit(main())
