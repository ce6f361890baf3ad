#!/usr/bin/env python3
"""The real HoralSvc.exe as a service under Wine's service manager, asking the
test time servers on 127.0.1.x:37 and trying to set the clock."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from timeserver import TimeServers, read_log  # noqa: E402
from winesession import WineSession, winpath  # noqa: E402

SERVICE = "vmhoralsvc"
PARAMS = r"HKLM\SYSTEM\CurrentControlSet\Services\vmhoralsvc\Parameters"
REFUSING = "127.0.1.5"  # nothing listens there
CLOSING = "127.0.1.2"  # accepts and closes after one byte
HOUR_AHEAD = "127.0.1.3"
NEVER_ASKED = "127.0.1.4"
SILENT = "127.0.1.6"

SERVERS = {CLOSING: "close:1", HOUR_AHEAD: "offset:3600", NEVER_ASKED: "offset:-7200", SILENT: "silent"}


class ServiceEndToEnd(unittest.TestCase):
    def setUp(self):
        # Cleanups run even when setUp fails half-way, so no wineserver or
        # listener outlives its test.
        self.session = WineSession(self.id().split(".")[-1])
        self.addCleanup(self.session.close)
        self.connections = os.path.join(self.session.root, "connections.log")
        self.servers = TimeServers(SERVERS, self.connections).__enter__()
        self.addCleanup(self.servers.__exit__, None, None, None)
        self.addCleanup(self.session.svc, "stop", SERVICE)
        image = '"%s" -s' % winpath(os.environ["HORAL_EXE"])
        self.assertEqual(self.session.svc("create", SERVICE, image)["rc"], "0")

    def configure(self, servers, interval):
        self.session.reg_add(PARAMS, "ServerNames", "REG_SZ", servers)
        self.session.reg_add(PARAMS, "TimeInterval", "REG_DWORD", str(interval))

    def asked(self):
        return [address for _, address in read_log(self.connections)]

    def test_first_answer_sets_the_clock_and_each_cycle_starts_from_the_top(self):
        self.configure("  %s %s   %s %s " % (REFUSING, CLOSING, HOUR_AHEAD, NEVER_ASKED), 2)
        started = self.session.svc("start", SERVICE)
        self.assertNotIn("PROCESSEXIT", started)
        attempts = self.session.wait_for(lambda: len(self.session.clock_attempts()) >= 2 and
                                         self.session.clock_attempts(), 30)
        self.assertGreaterEqual(len(attempts), 2, "the service never tried to set the clock twice")
        for difference in attempts:
            self.assertAlmostEqual(difference, 3600000, delta=3000)
        asked = self.asked()
        self.assertNotIn(NEVER_ASKED, asked)
        self.assertEqual(asked[:4], [CLOSING, HOUR_AHEAD, CLOSING, HOUR_AHEAD])
        # The second cycle starts one interval after the first ended.
        log = read_log(self.connections)
        first_end = log[1][0]
        second_start = log[2][0]
        self.assertGreaterEqual(second_start - first_end, 1.9)
        self.assertLess(second_start - first_end, 4.0)

    def test_interval_zero_runs_cycles_back_to_back_until_stopped(self):
        self.configure(HOUR_AHEAD, 0)
        self.session.svc("start", SERVICE)
        self.session.wait_for(lambda: len(self.asked()) >= 5, 20)
        self.assertGreaterEqual(len(self.asked()), 5)
        stopped = self.session.svc("stop", SERVICE)
        self.assertEqual((stopped["STATE"], stopped["EXIT"]), ("1", "0"))

    def test_stop_while_waiting_reports_stopped(self):
        self.configure(HOUR_AHEAD, 3600)
        self.session.svc("start", SERVICE)
        self.session.wait_for(self.session.clock_attempts, 20)
        running = self.session.svc("query", SERVICE)
        self.assertEqual((running["STATE"], running["EXIT"], running["CHECKPOINT"], running["WAITHINT"]),
                         ("4", "0", "0", "0"))
        stopped = self.session.svc("stop", SERVICE)
        self.assertEqual((stopped["STATE"], stopped["EXIT"]), ("1", "0"))
        # Wine answers a stop whose handler waits only after about 10 s.
        self.assertLess(int(stopped["MS"]), 15000)
        # Wine 8 holds its dispatcher lock while the handler waits, so the
        # STOPPED report of the service thread never returns there and the
        # process lingers; on Windows the dispatcher returns and it exits.
        # What can be seen here: no cycle runs after the stop.
        self.assertEqual(len(self.session.clock_attempts()), 1)
        self.assertEqual(self.asked(), [HOUR_AHEAD])

    def test_stop_while_a_server_stalls_asks_no_further_server(self):
        self.configure("%s %s" % (SILENT, HOUR_AHEAD), 3600)
        self.session.svc("start", SERVICE)
        self.session.wait_for(lambda: SILENT in self.asked(), 20)
        stopped = self.session.svc("stop", SERVICE)
        self.assertEqual((stopped["STATE"], stopped["EXIT"]), ("1", "0"))
        # Receive bound (5 s) plus Wine's delay, with room for a slow machine.
        self.assertLess(int(stopped["MS"]), 20000)
        time.sleep(1)
        self.assertNotIn(HOUR_AHEAD, self.asked())
        self.assertEqual(self.session.clock_attempts(), [])

    def test_missing_parameters_stop_the_service_with_exit_code_2(self):
        started = self.session.svc("start", SERVICE, "HoralSvc.exe")
        self.assertEqual(started.get("PROCESSEXIT"), "2")
        self.assertIn("1/2", started["SEEN"].split(","))

    def test_service_argument_at_a_prompt_ends_at_once(self):
        started = time.time()
        code, _ = self.session.run(os.environ["HORAL_EXE"], "-s", timeout=60)
        self.assertEqual(code, 0)
        # Wine's dispatcher gives up on a missing service manager pipe after
        # about 10 s; Windows fails at once.
        self.assertLess(time.time() - started, 20)


if __name__ == "__main__":
    unittest.main(verbosity=2)
