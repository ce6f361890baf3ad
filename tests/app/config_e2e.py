#!/usr/bin/env python3
"""The real HoralSvc.exe in its configuration and uninstall roles under Wine
and Xvfb: the dialog is typed into with xdotool (or filled by dlgprobe), the
confirmation is answered from the keyboard, and what the program left in the
service manager and the registry is checked afterwards. Each case runs in a
fresh Wine prefix; the time servers listen on 127.0.2.x:37.

Screenshots of the dialog and the question in both languages are saved under
$HORAL_BUILD/screenshots/.
"""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from timeserver import TimeServers, read_log  # noqa: E402
from winesession import BUILD, WINE, WineSession  # noqa: E402

EXE = os.environ["HORAL_EXE"]
PROBE = os.environ["HORAL_DLGPROBE"]
SCREENSHOTS = os.path.join(BUILD, "screenshots")

DIALOG = "Horal Service"
QUESTION_BOX = "Velmora Horal Service"
SERVICE = "vmhoralsvc"
PARAMETERS = r"SYSTEM\CurrentControlSet\Services\vmhoralsvc\Parameters"
RECORD = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\vmhoralsvc"
EVENT_SOURCE = r"SYSTEM\CurrentControlSet\Services\EventLog\Application\Velmora Horal Service"

REFUSING = "127.0.2.4"  # nothing listens there
HALF_HOUR_AHEAD = "127.0.2.2"
NEVER_ASKED = "127.0.2.3"
SERVERS = {HALF_HOUR_AHEAD: "offset:1800", NEVER_ASKED: "offset:-900"}
GERMAN = {"LANG": "de_DE.UTF-8", "LC_ALL": "de_DE.UTF-8"}


def parse(text):
    """dlgprobe's KEY=VALUE lines; ITEM lines are collected as (id, class, text)."""
    values = {"items": []}
    for line in text.splitlines():
        key, _, value = line.rstrip("\r\n").partition("=")
        if key.startswith("ITEM"):
            window_class, _, window_text = value.partition("|")
            values["items"].append((int(key[4:]), window_class, window_text))
        else:
            values[key] = value
    return values


class ConfigurationEndToEnd(unittest.TestCase):
    extra_env = None

    def setUp(self):
        self.session = WineSession("config_" + self.id().split(".")[-1], extra_env=self.extra_env)
        self.connections = os.path.join(self.session.root, "connections.log")
        self.servers = TimeServers(SERVERS, self.connections).__enter__()
        self.processes = []

    def tearDown(self):
        self.servers.__exit__(None, None, None)
        self.session.close()
        # Ending the prefix's wineserver ends a dialog that a failed case left open.
        for process in self.processes:
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    # --- driving the program ------------------------------------------------

    def start(self, *args):
        """Starts HoralSvc.exe; output goes to files, Wine may outlive a pipe."""
        base = os.path.join(self.session.root, "run%d" % (len(self.processes) + 1))
        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            self.processes.append(subprocess.Popen([WINE, EXE] + list(args), env=self.session.env,
                                                   stdin=subprocess.DEVNULL, stdout=out, stderr=err))
        return self.processes[-1]

    def finish(self, process, timeout=60):
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            raise AssertionError("HoralSvc.exe did not end within %d s" % timeout)

    def probe(self, *args):
        done = subprocess.run([WINE, PROBE] + list(args), env=self.session.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=60)
        values = parse(done.stdout.decode("utf-8", "replace"))
        values["rc"] = done.returncode
        values["stderr"] = done.stderr.decode("utf-8", "replace")
        return values

    def show(self, title):
        shown = self.probe("show", title)
        self.assertEqual(shown.get("FOUND"), "1", "no window titled %r: %r" % (title, shown))
        return shown

    def keys(self, process, title, *steps):
        """Gives the X window of `process` named `title` the focus, then presses
        each step in turn: a key name, or typed text given as ("type", text)."""
        window = None
        for _ in range(50):
            found = subprocess.run(["xdotool", "search", "--all", "--pid", str(process.pid), "--name", "^%s$" % title],
                                   env=self.session.env, capture_output=True, text=True).stdout.split()
            if found:
                window = found[-1]
                break
            time.sleep(0.2)
        self.assertIsNotNone(window, "no X window named %r" % title)
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=self.session.env, timeout=10,
                       check=False)
        for step in steps:
            if isinstance(step, tuple):
                command = ["xdotool", "type", "--delay", "20", step[1]]
            else:
                command = ["xdotool", "key", "--clearmodifiers", step]
            subprocess.run(command, env=self.session.env, check=True, timeout=30)

    def screenshot(self, name):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        path = os.path.join(SCREENSHOTS, name)
        subprocess.run(["import", "-window", "root", path], env=self.session.env, check=True, timeout=30)
        return path

    def install(self, servers, interval):
        """The configuration role with both fields set by message and OK."""
        dialog = self.start()
        filled = self.probe("fill", DIALOG, servers, interval)
        self.assertEqual(filled.get("FOUND"), "1", filled)
        self.assertEqual(self.finish(dialog), 0)

    # --- what the program left behind ---------------------------------------

    def value(self, key, name):
        return self.probe("value", key, name).get("VALUE")

    def exists(self, key):
        return self.probe("key", key)["EXISTS"] == "1"

    def service_state(self):
        return self.session.svc("query", SERVICE).get("STATE")

    def assert_nothing_installed(self):
        self.assertIn("OpenService", self.session.svc("query", SERVICE).get("ERROR", ""))
        self.assertFalse(self.exists(PARAMETERS))
        self.assertFalse(self.exists(RECORD))
        self.assertFalse(self.exists(EVENT_SOURCE))

    def wait_running(self):
        return self.session.wait_for(lambda: self.service_state() == "4", 20, step=0.5)


class EnglishDialog(ConfigurationEndToEnd):
    def test_typed_entries_install_and_start_the_service(self):
        dialog = self.start()
        opened = self.show(DIALOG)
        self.assertEqual(opened["FOCUS"], "1022")
        fields = {item_id: text for item_id, _, text in opened["items"]}
        self.assertEqual((fields[1022], fields[1023]), ("", "86400"))

        servers = "  %s   %s  %s " % (REFUSING, HALF_HOUR_AHEAD, NEVER_ASKED)
        self.keys(dialog, DIALOG, ("type", servers))
        # Tab selects the whole interval text, so typing replaces it; Enter in
        # the interval field acts as OK.
        self.keys(dialog, DIALOG, "Tab", ("type", "3 600"))
        filled = self.show(DIALOG)
        fields = {item_id: text for item_id, _, text in filled["items"]}
        self.assertEqual((fields[1022], fields[1023]), (servers, "3 600"))
        self.screenshot("config-en.png")
        self.keys(dialog, DIALOG, "Return")
        self.assertEqual(self.finish(dialog), 0)

        self.assertEqual(self.value(PARAMETERS, "ServerNames"), "[%s]" % servers)
        self.assertEqual(self.value(PARAMETERS, "TimeInterval"), "3600")
        self.assertTrue(self.exists(RECORD))
        self.assertTrue(self.exists(EVENT_SOURCE))
        self.assertTrue(self.wait_running(), "the installed service is not running")
        attempts = self.session.wait_for(self.session.clock_attempts, 20)
        self.assertTrue(attempts, "the service never tried to set the clock")
        self.assertAlmostEqual(attempts[0], 1800000, delta=3000)
        self.assertEqual([address for _, address in read_log(self.connections)], [HALF_HOUR_AHEAD])

    def test_cancel_escape_and_close_box_install_nothing(self):
        dialog = self.start()
        self.show(DIALOG)
        # From the server field: interval field, OK, Cancel.
        self.keys(dialog, DIALOG, ("type", HALF_HOUR_AHEAD), "Tab", "Tab", "Tab", "space")
        self.assertEqual(self.finish(dialog), 0)

        dialog = self.start()
        self.show(DIALOG)
        self.keys(dialog, DIALOG, ("type", HALF_HOUR_AHEAD), "Escape")
        self.assertEqual(self.finish(dialog), 0)

        dialog = self.start()
        self.show(DIALOG)
        closed = self.probe("close", DIALOG)
        self.assertEqual(closed.get("FOUND"), "1", closed)
        self.assertEqual(self.finish(dialog), 0)

        self.assert_nothing_installed()

    def test_ok_over_an_installed_service_changes_nothing(self):
        self.install(HALF_HOUR_AHEAD, "90 s")
        self.assertEqual(self.value(PARAMETERS, "TimeInterval"), "90")
        self.assertTrue(self.wait_running())

        # No message box may hold the process: it ends on its own.
        self.install(NEVER_ASKED, "-1")
        self.assertEqual(self.probe("gone", QUESTION_BOX, "0")["GONE"], "1")
        self.assertEqual(self.value(PARAMETERS, "ServerNames"), "[%s]" % HALF_HOUR_AHEAD)
        self.assertEqual(self.value(PARAMETERS, "TimeInterval"), "90")
        self.assertEqual(self.service_state(), "4")

    def test_uninstall_asks_first_then_stops_and_deletes_the_service(self):
        self.install(HALF_HOUR_AHEAD, "-1")
        self.assertEqual(self.value(PARAMETERS, "TimeInterval"), "4294967295")
        self.assertTrue(self.wait_running())

        uninstall = self.start("-u", SERVICE)
        box = self.show(QUESTION_BOX)
        self.assertIn('Do you really want to uninstall the service "Velmora Horal Service"?',
                      [text for _, _, text in box["items"]])
        self.screenshot("uninstall-en.png")
        self.keys(uninstall, QUESTION_BOX, "n")
        self.assertEqual(self.finish(uninstall), 0)
        self.assertEqual(self.service_state(), "4")
        self.assertTrue(self.exists(RECORD))
        self.assertEqual(self.value(PARAMETERS, "ServerNames"), "[%s]" % HALF_HOUR_AHEAD)

        uninstall = self.start("-u", SERVICE)
        self.show(QUESTION_BOX)
        self.keys(uninstall, QUESTION_BOX, "Return")  # Yes is the default button
        # Wine answers the stop request only after its ~10 s handler delay.
        self.assertEqual(self.finish(uninstall), 0)
        self.assertIn(self.service_state(), ("1", "3"), "the stop request was not sent")
        # Marked for deletion: Wine keeps it listed while its process lingers.
        self.assertIn("DeleteService 1072", self.session.svc("delete", SERVICE).get("ERROR", ""))
        self.assertFalse(self.exists(RECORD))
        self.assertTrue(self.exists(EVENT_SOURCE))


class GermanDialog(ConfigurationEndToEnd):
    extra_env = GERMAN

    def test_dialog_and_question_speak_german(self):
        dialog = self.start()
        texts = [text for _, _, text in self.show(DIALOG)["items"]]
        for expected in ("Time-Server", "Synchronisations-Intervall", "Zeit alle", "Sekunden synchronisieren",
                         "Abbruch", "Geben Sie einen oder mehrere Time-Server ein, getrennt durch Leerzeichen:"):
            self.assertIn(expected, texts)
        self.screenshot("config-de.png")
        self.keys(dialog, DIALOG, "Escape")
        self.assertEqual(self.finish(dialog), 0)

        # The question comes before anything is looked up, installed or not.
        uninstall = self.start("-u")
        box = self.show(QUESTION_BOX)
        self.assertIn('Wollen Sie den Dienst "Velmora Horal Service" wirklich deinstallieren?',
                      [text for _, _, text in box["items"]])
        self.screenshot("uninstall-de.png")
        self.keys(uninstall, QUESTION_BOX, "Tab", "Return")  # to No
        self.assertEqual(self.finish(uninstall), 0)
        self.assert_nothing_installed()


if __name__ == "__main__":
    unittest.main(verbosity=2)
