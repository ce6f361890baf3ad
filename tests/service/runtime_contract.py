#!/usr/bin/env python3
"""ServiceBase under Wine's service manager: the status it reports and the
hooks each control code reaches, seen through a test service's log."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from winesession import WineSession, winpath  # noqa: E402

NAME = "horalcontract"


class RuntimeContract(unittest.TestCase):
    def setUp(self):
        self.session = WineSession("contract_" + self.id().split(".")[-1])
        self.addCleanup(self.session.close)
        self.log = os.path.join(self.session.root, "contract.log")
        if os.path.exists(self.log):
            os.remove(self.log)

    def install(self, mode):
        image = '"%s" %s "%s"' % (winpath(os.environ["HORAL_CONTRACT"]), mode, winpath(self.log))
        self.assertEqual(self.session.svc("create", NAME, image)["rc"], "0")

    def notes(self):
        with open(self.log) as f:
            return [line.split()[0] + " " + line.split()[1] for line in f]

    def test_life_of_a_service_and_its_control_codes(self):
        self.install("ok")
        self.session.svc("start", NAME)
        self.session.wait_for(lambda: os.path.exists(self.log) and "run state=4" in self.notes(), 20)
        running = self.session.svc("query", NAME)
        self.assertEqual((running["STATE"], running["EXIT"], running["CHECKPOINT"], running["WAITHINT"]),
                         ("4", "0", "0", "0"))
        # Interrogate, pause, continue and the network binding codes change nothing.
        for code in ("4", "2", "3", "6", "7", "8", "9", "10"):
            after = self.session.svc("control", NAME, code)
            self.assertEqual(self.session.svc("query", NAME)["STATE"], "4", "after code " + code)
            if after["RESULT"] == "1":
                self.assertEqual(after["STATE"], "4")
        self.session.svc("control", NAME, "200")
        stopped = self.session.svc("stop", NAME)
        self.assertEqual((stopped["STATE"], stopped["EXIT"], stopped["CHECKPOINT"], stopped["WAITHINT"]),
                         ("1", "0", "0", "0"))
        notes = self.notes()
        self.assertEqual(notes[:2], ["initialize state=2", "run state=4"])
        self.assertIn("interrogate state=4", notes)
        self.assertIn("user-200 state=4", notes)
        self.assertEqual(notes[-2:], ["stop state=3", "run-end state=3"])
        with open(self.log) as f:
            for line in f:
                self.assertIn("checkpoint=0 waithint=0", line)

    def test_failing_initialize_stops_with_its_error_and_never_runs(self):
        self.install("fail")
        started = self.session.svc("start", NAME, "contract_service.exe")
        self.assertEqual(started.get("PROCESSEXIT"), "2")
        self.assertIn("1/2", started["SEEN"].split(","))
        self.assertNotIn("4/0", started["SEEN"].split(","))
        self.assertEqual(self.notes(), ["initialize state=2"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
