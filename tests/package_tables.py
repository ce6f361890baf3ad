#!/usr/bin/env python3
# The tables of the built Windows Installer package (msiinfo export), held to
# the program it installs: package_tables.py HoralSvc.msi HoralSvc.exe UPGRADECODE
import struct
import subprocess
import sys

MSI, EXE, UPGRADE = sys.argv[1:4]


def table(name):
    # The rows after the header lines, sorted; without the Registry's first column, a key wixl makes up.
    export = subprocess.check_output(["msiinfo", "export", MSI, name], text=True)
    return sorted(tuple(line.split("\t")[name == "Registry":]) for line in export.splitlines()[3:])


with open(EXE, "rb") as f:
    exe = f.read()
ms, ls = struct.unpack_from("<II", exe, exe.index(struct.pack("<I", 0xFEEF04BD)) + 8)  # the fixed file version
version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
parameters = r"SYSTEM\CurrentControlSet\Services\vmhoralsvc\Parameters"
source = r"SYSTEM\CurrentControlSet\Services\EventLog\Application\Velmora Horal Service"
expected = {
    "File": [("HoralSvc.exe", "Service", "HoralSvc.exe", str(len(exe)), version, "", "512", "1")],
    "ServiceInstall": [("Service", "vmhoralsvc", "Velmora Horal Service", "16", "2", "1", "", "", "", "", "-s",
                        "Service", "Gets date and time from a unix time server.")],
    # Started at installation (1), stopped at installation and removal (2 + 32), deleted at removal (128), waited for.
    "ServiceControl": [("Service", "vmhoralsvc", "163", "", "1", "Service")],
    "Registry": sorted([("2", parameters, "ServerNames", "[SERVERNAMES]", "Service"),
                        ("2", parameters, "TimeInterval", "#[TIMEINTERVAL]", "Service"),
                        ("2", source, "EventMessageFile", "#%[#HoralSvc.exe]", "Service"),  # REG_EXPAND_SZ
                        ("2", source, "TypesSupported", "#7", "Service")]),
    # Any older version is removed first (1: its features migrate); a newer one is only detected (2), and refused.
    "Upgrade": [(UPGRADE, "", version, "", "1", "", "WIX_UPGRADE_DETECTED"),
                (UPGRADE, version, "", "", "2", "", "WIX_DOWNGRADE_DETECTED")],
    "LaunchCondition": [("Installed OR NOT HORALDIALOGINSTALL", "Velmora Horal Service is installed by HoralSvc.exe "
                         "itself. Uninstall it first (HoralSvc.exe -u), then install this package with SERVERNAMES "
                         "and TIMEINTERVAL."), ("NOT WIX_DOWNGRADE_DETECTED", "A newer version of Velmora Horal "
                                                "Service is already installed. Remove it first to install this one.")],
    # The dialog's record, in the 32-bit view, where a 32-bit package reads.
    "AppSearch": [("HORALDIALOGINSTALL", "DialogRecord")],
    "RegLocator": [("DialogRecord", "2", r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\vmhoralsvc",
                    "DisplayName", "2")],
    # The check of the settings: a function of a DLL in the package, run at once (not deferred).
    "CustomAction": [("CheckSettings", "2049", "HoralCheck", "CheckSettings", "")],
}
faults = ["%s: %s, not %s" % (name, table(name), rows) for name, rows in expected.items() if table(name) != rows]
# Per machine, named, the settings passed on to an elevated installation; a 32-bit package.
wanted = {("ProductName", "Velmora Horal Service"), ("Manufacturer", "Velmora - Trevanne"), ("ALLUSERS", "1"),
          ("ProductVersion", version), ("UpgradeCode", UPGRADE), ("7", "Intel;1033"),
          ("SecureCustomProperties", "WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;SERVERNAMES;TIMEINTERVAL")}
faults += ["missing: %s" % (row,) for row in wanted - set(table("Property") + table("_SummaryInformation"))]
# The check comes after the launch conditions, before the older version goes and anything is installed; never at
# the removal.
at = {action: (condition, int(number)) for action, condition, number in table("InstallExecuteSequence")}
if not (at["CheckSettings"][0] == 'NOT REMOVE~="ALL"' and at["LaunchConditions"][1] < at["CheckSettings"][1] <
        min(at["InstallValidate"][1], at["RemoveExistingProducts"][1])):
    faults.append("CheckSettings at %s" % (at,))
print("\n".join(faults) or "the package's tables are as the program is installed")
sys.exit(1 if faults else 0)
