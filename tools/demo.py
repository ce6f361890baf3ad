#!/usr/bin/env python3
"""HoralSvc's main job, end to end and headless: a local RFC 868 time server,
the service registered and started in a throwaway Wine prefix, the time it
tried to set, then stop and clean-up.

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


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build", "win64"))
    os.environ.update(HORAL_BUILD=build, HORAL_SOURCE=root, HORAL_EXE=os.path.join(build, "HoralSvc.exe"),
                      HORAL_SVCCTL=os.path.join(build, "tests", "tools", "svcctl.exe"))
    from timeserver import TimeServers, read_log
    from winesession import WineSession, winpath

    print("== Booting the Wine prefix template (once per build folder)")
    subprocess.run([os.path.join(root, "scripts", "wine-prefix"), "template", os.path.join(build, "wine", "template")],
                   check=True)
    session = WineSession("demo")
    connections = os.path.join(session.root, "connections.log")
    try:
        with TimeServers({SERVER: "offset:%d" % OFFSET}, connections):
            print("== RFC 868 time server on %s:37, one hour ahead of this machine" % SERVER)
            image = '"%s" -s' % winpath(os.environ["HORAL_EXE"])
            session.svc("create", "vmhoralsvc", image)
            params = r"HKLM\SYSTEM\CurrentControlSet\Services\vmhoralsvc\Parameters"
            session.reg_add(params, "ServerNames", "REG_SZ", SERVER)
            session.reg_add(params, "TimeInterval", "REG_DWORD", "60")
            print("== Service vmhoralsvc registered with image path %s" % image)
            print("   Parameters: ServerNames=%s TimeInterval=60" % SERVER)
            session.svc("start", "vmhoralsvc")
            attempts = session.wait_for(session.clock_attempts, 30)
            status = session.svc("query", "vmhoralsvc")
            print("== Service state: %s (4 = running), exit code %s" % (status.get("STATE"), status.get("EXIT")))
            print("   Servers asked: %s" % ", ".join(a for _, a in read_log(connections)))
            if not attempts:
                print("!! The service did not try to set the clock")
                return 1
            target = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(milliseconds=attempts[0])
            print("== The service tried to set the clock %+d ms, to about %s UTC" %
                  (attempts[0], target.strftime("%Y-%m-%d %H:%M:%S")))
            print("   (Wine refuses to change the clock, so this machine's time is untouched.)")
            print("== Stopping (Wine answers a waiting stop handler after about 10 s)")
            stopped = session.svc("stop", "vmhoralsvc")
            print("   State %s (1 = stopped), exit code %s, after %s ms" %
                  (stopped.get("STATE"), stopped.get("EXIT"), stopped.get("MS")))
            session.svc("delete", "vmhoralsvc")
    finally:
        session.close()
    print("== Done; the throwaway prefix is removed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
