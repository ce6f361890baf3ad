#!/usr/bin/env python3
"""Runs HoralSvc.exe for real on this machine's display, in the project's own
Wine prefix (BUILD/wine/prefix), booting that prefix first when needed.
Without arguments the configuration dialog opens; OK installs and starts the
service in that prefix.
`make test` makes the prefix anew, so what is installed here lasts only until
the next test run. `make run` runs the shipped build/HoralSvc.exe, inside
`scripts/isolated --machine`, which makes 32-bit code run.

  python3 tools/run.py BUILD IMAGE [ARGUMENTS...]   (BUILD: the test build folder)
  make run                 the dialog
  make run ARGS=-u         the uninstaller
"""
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from wine import choose_image  # noqa: E402


def main():
    build, image, arguments = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3:]
    if not os.environ.get("DISPLAY"):
        print("run: no DISPLAY; the dialog needs a display (`make demo` runs the journey headless)",
              file=sys.stderr)
        return 1
    try:
        exe, wine = choose_image(image)
    except subprocess.CalledProcessError:
        return 1  # wine-image has said why
    prefix = os.path.join(build, "wine", "prefix")
    tool = os.path.join(root, "scripts", "wine-prefix")
    if not os.path.exists(os.path.join(prefix, ".horal-booted")):
        print("== Booting the project's Wine prefix %s" % prefix)
        template = os.path.join(build, "wine", "template")
        subprocess.run([tool, "template", template], check=True)
        subprocess.run([tool, "clone", template, prefix], check=True)
    env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG=os.environ.get("WINEDEBUG", "-all"),
               WINEDLLOVERRIDES="mscoree,mshtml=")
    print("== HoralSvc.exe %s on %s" % (" ".join(arguments) or "(configuration dialog)", env["DISPLAY"]))
    code = subprocess.run([wine, exe] + arguments, env=env, stdin=subprocess.DEVNULL).returncode
    print("== Exit code %d" % code)
    status = subprocess.run([wine, "sc", "query", "vmhoralsvc"], env=env, stdin=subprocess.DEVNULL,
                            capture_output=True, text=True).stdout
    print("== Service vmhoralsvc: %s" % (" ".join(status.split()) if "STATE" in status else "not registered"))
    return code


if __name__ == "__main__":
    sys.exit(main())
