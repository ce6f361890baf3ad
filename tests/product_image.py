#!/usr/bin/env python3
# The shipped HoralSvc.exe is a 32-bit Windows program of at most 576 KiB,
# without symbols, that imports only KnownDLLs (always taken from the system
# folder) and ComCtl32 (the manifest's side-by-side copy), not a DLL that a
# folder beside it could supply, and whose manifest asks for elevation and DPI awareness.
import os
import re
import subprocess
import sys
from xml.etree import ElementTree

SYSTEM_DLLS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "ws2_32.dll", "user32.dll",
               "gdi32.dll", "comctl32.dll", "shlwapi.dll"}
exe = sys.argv[1]
objdump = lambda flags: subprocess.run(["i686-w64-mingw32-objdump", flags, exe], capture_output=True, text=True).stdout
dump = objdump("-fp")
dlls = {line.split(":", 1)[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line}
faults = ["not a 32-bit Windows executable"] * ("file format pei-i386" not in dump)
foreign = sorted(dlls - SYSTEM_DLLS)
faults += ["imports DLLs that may come from beside it: " + ", ".join(foreign)] * bool(foreign)
faults += ["%d bytes, more than 576 KiB" % os.path.getsize(exe)] * (os.path.getsize(exe) > 576 * 1024)
faults += ["carries symbols"] * ("no symbols" not in objdump("-t"))
# Its manifest, as the image carries it, asks for elevation and is system DPI aware.
with open(exe, "rb") as f:
    manifest = re.search(rb"<assembly .*?</assembly>", f.read(), re.S)
manifest = ElementTree.fromstring(manifest.group(0)) if manifest else ElementTree.Element("none")
level = manifest.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
faults += ["the manifest does not require an administrator"] * (
    level is None or (level.get("level"), level.get("uiAccess")) != ("requireAdministrator", "false"))
aware = manifest.find(".//{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
faults += ["the manifest is not DPI aware"] * (aware is None or aware.text.strip().lower() != "true")
print("\n".join(faults) or "%s: PE32 (i386), %d KiB, importing only %s" % (exe, os.path.getsize(exe) // 1024,
                                                                            ", ".join(sorted(dlls))))
sys.exit(1 if faults else 0)
