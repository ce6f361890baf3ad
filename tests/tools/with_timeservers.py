#!/usr/bin/env python3
"""Runs a command while test time servers listen, then stops them.

  with_timeservers.py [--log FILE] ADDRESS=MODE[:ARG] ... -- COMMAND ...

The command's exit code becomes this script's exit code.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from timeserver import TimeServers, parse_specs  # noqa: E402


def main(argv):
    if "--" not in argv:
        print("usage: with_timeservers.py [--log FILE] SPEC... -- COMMAND...", file=sys.stderr)
        return 2
    cut = argv.index("--")
    own, command = argv[:cut], argv[cut + 1:]
    log = None
    if own[:1] == ["--log"]:
        log, own = own[1], own[2:]
    with TimeServers(parse_specs(own), log):
        return subprocess.call(command)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
