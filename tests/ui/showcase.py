#!/usr/bin/env python3
# Keeps a screenshot of a framework test dialog (a sorted typed list with the
# header arrows, a link, a status bar) as BUILD/ui-showcase.png.
#   showcase.py UI_DIALOG_EXE
import os, subprocess, sys, time

shot = os.path.join(os.environ["HORAL_BUILD"], "ui-showcase.png")
display = open(os.path.join(os.environ["HORAL_BUILD"], "xvfb.display")).read().strip()
test = subprocess.Popen([os.path.join(os.environ["HORAL_SOURCE"], "scripts", "wine-run"), sys.argv[1],
                         "--gtest_filter=ui_dialog.FrameworkDialogs"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                        env=dict(os.environ, DISPLAY=display, HORAL_HOLD_MS="2500"))
# The test says when the dialog is sorted and on screen, and holds it a while.
ready = any(line.startswith(b"showcase ready") for line in test.stdout)
time.sleep(1)
if not ready or subprocess.run(["import", "-display", display, "-window", "root", shot]).returncode or test.wait(60):
    sys.exit("showcase failed: no screenshot or a failing test")
