#!/usr/bin/env python3
"""Keeps a screenshot of a framework test dialog (a sorted typed list, a
link, a status bar) as BUILD/ui-showcase.png.

  showcase.py UI_DIALOG_EXE
"""
import os
import subprocess
import sys
import time

build = os.environ["HORAL_BUILD"]
source = os.environ["HORAL_SOURCE"]
with open(os.path.join(build, "xvfb.display")) as f:
    display = f.read().strip()
env = dict(os.environ, DISPLAY=display, HORAL_HOLD_MS="6000")
out_path = os.path.join(build, "ui-showcase.out")
shot = os.path.join(build, "ui-showcase.png")
with open(out_path, "wb") as out:
    run = subprocess.Popen([os.path.join(source, "scripts", "wine-run"), sys.argv[1],
                            "--gtest_filter=ui_dialog.SizingAndSortingByHeaderClicks"],
                           env=env, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    # The dialog is sorted and held once the test has started; give it time to draw.
    deadline = time.time() + 60
    while time.time() < deadline and b"[ RUN" not in open(out_path, "rb").read():
        time.sleep(0.1)
    time.sleep(3)
    subprocess.run(["import", "-display", display, "-window", "root", shot], check=True)
    code = run.wait(timeout=120)
if code != 0 or not os.path.getsize(shot):
    print("showcase failed (exit %d), see %s" % (code, out_path))
    sys.exit(1)
print("1 passed, 0 failed: screenshot %s" % shot)
