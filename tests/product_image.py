#!/usr/bin/env python3
"""The shipped HoralSvc.exe is a 32-bit Windows program that needs no DLL
besides the system's own (everything else is linked statically)."""
import subprocess
import sys

SYSTEM_DLLS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "ws2_32.dll", "user32.dll",
               "gdi32.dll", "comctl32.dll", "shlwapi.dll", "version.dll"}


def main(exe):
    header = subprocess.run(["i686-w64-mingw32-objdump", "-f", exe], capture_output=True, text=True, check=True)
    if "file format pei-i386" not in header.stdout:
        print("not a 32-bit Windows executable:\n" + header.stdout)
        return 1
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True, check=True)
    dlls = {line.split(":", 1)[1].strip().lower() for line in dump.stdout.splitlines() if "DLL Name:" in line}
    foreign = sorted(dlls - SYSTEM_DLLS)
    if foreign:
        print("imports DLLs that Windows does not supply: " + ", ".join(foreign))
        return 1
    print("1 passed, 0 failed: %s is PE32 (i386) importing only %s" % (exe, ", ".join(sorted(dlls))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
