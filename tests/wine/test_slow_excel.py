"""A slow, busy or half-started application under Wine against the stand-in: a creation it refuses
while it starts, and a holder of the workbook that accepts a call and never answers it, neither hang
the launcher nor make it say something false."""

import itertools
import re
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import patience, standin  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.desktop_case import StandinDesktopTest  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402

ARCH = parse_arch()  # before the next module's own takes the arguments
from test_event_trace import WINEDEBUG, events  # noqa: E402
ROOT = "quben-lent"
NOT_READY = ["Excel a été lancé mais ne répond pas encore.", "",
             "Si une fenêtre d'Excel est ouverte (activation, compte, démarrage sans échec), répondez-y, puis ouvrez "
             "de nouveau le classeur."]
HELD_ELSEWHERE = "Ce classeur est déjà ouvert par quelqu'un d'autre\u00a0: Excel l'a ouvert en lecture seule."
# Accepted, then answered only after a minute: a long macro without DoEvents.
SILENT_HOLDER = {"STANDIN_BLOCK": "Application.Visible", "STANDIN_BLOCK_MS": "60000"}
# The taskbar button or Alt+Tab; the journal's events that open and close each moment, and what
# ends it: the application's start-up prompt answered, which its registration waits for (Wine's
# creation keeps a core busy meanwhile, tests/wine/NOTES.md; it gives up after 30 s).
RESTORES = {"SW_RESTORE": ["show", "quben.Form3", 9], "SC_RESTORE": ["send", "quben.Form3", 0x0112, 0xF120, 0]}
PHASES = {"creation": ({"STANDIN_REGISTER_AFTER_MS": "60000"}, ("start",), ("registered",),
                       ["close", standin.STANDIN_CLASS]),
          "open": ({"STANDIN_OPEN_MS": "10000"}, ("front", "open"), ("call", "Workbook.RunAutoMacros"), None)}
ACTIVATED = ("front", "activated", "self", "launcher=minimised")
LIVE_SETTING = "c12bcd8e-2a8e-4950-8ae7-3625111d58eb"


def first(events, prefix):
    return next((i for i, event in enumerate(events) if event[:len(prefix)] == prefix), None)


def answered(journal):
    """The members whose calls the process of `journal` has answered."""
    return [e[1] for e in standin.events(standin.parse_journal(str(journal))) if e[0] == "result"]


class SlowApplicationTest(StandinDesktopTest):
    ROOT = ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        (cls.root / "é.xls").write_bytes(b"password=vepal_kordinut!?\n")
        cls.workbook = rf"C:\{ROOT}\é.xls"

    def silent_holder(self):
        """A user's instance with the workbook open whose Visible never answers; killed afterwards
        (it cannot take a close while it is in the call). Returns its journal."""
        journal = self.root / "journal-holder.txt"
        journal.unlink(missing_ok=True)
        self.holder = standin.start_user_instance(self.session, journal, self.workbook, SILENT_HOLDER)
        return journal

    def tearDown(self):
        if holder := getattr(self, "holder", None):
            self.session.run(["taskkill", "/F", "/PID", str(holder[1])])
            holder[0].wait(timeout=patience.seconds(15))
            self.holder = None
        super().tearDown()

    def blocked_since(self, journal, timeout=30):
        """The tick (ms) at which the holder began to sit on the launcher's Visible."""
        blocks = self.until("asked the holder (the lookup)", lambda: [
            e for e in standin.events(standin.parse_journal(str(journal))) if e[0] == "block"], timeout)
        self.assertEqual(blocks[0][1], "Application.Visible")
        return int(blocks[0][2])

    def test_a_restore_during_the_launch_brings_the_application_forward_instead(self):
        for (phase, (fault, begin, end, answer)), (request, command) in itertools.product(PHASES.items(),
                                                                                         RESTORES.items()):
            standin.close_standins(self.driver)
            with self.subTest(phase=phase, request=request):
                with LauncherRun(self.session, ARCH, env={**fault, "WINEDEBUG": "-all,fixme+oleacc"}) as run:
                    self.driver(["wait-dialog", 30000], ["choose", self.workbook])
                    self.until(begin, lambda: first(standin.events(run.journal_records()), begin) is not None)
                    form = self.until("minimised", lambda: (f := self.driver.one("form")["form"])["iconic"] and f)
                    self.assertTrue(self.driver.one(command, "form")["form"]["iconic"])
                    if answer:  # once the launcher has brought the prompt forward
                        self.until("activated", lambda: ACTIVATED in standin.events(run.journal_records()))
                        self.driver(answer)
                    self.assertEqual(run.wait(60), 0)
                    records, log = standin.events(run.journal_records(settle=0.3)), run.wine_log()
                self.assertIn(ACTIVATED, records[first(records, begin):first(records, end)], "activated by the launcher")
                # The status line, the polite live region (Wine prints what it is asked).
                [status] = [c for c in form["children"] if c["id"] == 103]
                self.assertEqual((status["text"], status["visible"]), ("Ouverture du classeur dans Excel…", True))
                live = re.findall(r"SetHwndProp \((\w+) 4294967292 0 \{" + LIVE_SETTING + r"\} \S+ \{VT_I4: 1\}", log)
                self.assertEqual([int(hwnd, 16) for hwnd in live], [status["hwnd"]])

    def test_a_creation_refused_while_the_application_starts_is_not_made_twice_and_says_so(self):
        # Refused, or not completed while its process (found by the image its registration names)
        # still runs: the process snapshot and its creation time, for real.
        for fault, status in (({"STANDIN_REFUSE": "Application.Create"}, "0x80010001"),
                              ({"STANDIN_START_UNFINISHED": "1"}, "0x80080005")):
            with self.subTest(status=status), LauncherRun(self.session, ARCH, env={**WINEDEBUG, **fault}) as run:
                self.driver(["wait-dialog", 30000], ["choose", self.workbook])
                box = self.driver(["wait-msgbox", 60000])[-1]
                self.driver(["wait-msgbox", 5000], ["press", 1])
                self.assertEqual(run.wait(30), 1)
                records, log = run.journal_records(settle=0.3), run.wine_log()
                standin.close_standins(self.driver)
            self.assertEqual(box["text"].split("\n"), NOT_READY)
            self.assertEqual([e[0] for e in standin.events(records)].count("create"), 1, "one creation")
            self.assertEqual(len(standin.pids(records)), 1, "one application process")
            [(kind, event_id, strings)] = events(log)
            self.assertEqual((kind, event_id, strings[1], strings[2]), (1, 104, status, "démarrage d'Excel"))

    def test_a_holder_that_never_answers_counts_as_not_open_after_5_s(self):
        journal = self.silent_holder()
        with LauncherRun(self.session, ARCH, env={**WINEDEBUG, "STANDIN_CLOCK": "1"}) as run:
            chosen = self.driver(["wait-dialog", 30000], ["choose", self.workbook])[-1]["tick"]
            blocked = self.blocked_since(journal)
            # A new instance opens the workbook, read-only beside the holder's.
            box = self.driver(["wait-msgbox", 60000])[-1]
            self.driver(["wait-msgbox", 5000], ["press", 1])
            self.assertEqual(run.wait(30), 0)
            records, log = run.journal_records(settle=0.3), run.wine_log()
        self.assertEqual(box["text"].split("\n")[0], HELD_ELSEWHERE)
        [(_, started)] = [e for e in standin.events(records) if e[0] == "clock"]
        # On the journal's clock: the lookup, begun after the choice, is not given up before its 5 s;
        # the new instance comes once the holder has sat on the call, long before it answers (60 s).
        waited = (int(started) - chosen) / 1000
        print(f"\nchoice to new instance: {waited:.2f} s, holder silent for {(int(started) - blocked) / 1000:.2f} s",
              file=sys.stderr)
        self.assertGreaterEqual(waited, 5.0)
        self.assertLess(blocked, int(started))
        self.assertNotIn("Application.Visible", answered(journal))
        self.assertIn("0x800705B4", "\n".join(line for line in log.splitlines() if "BringForwardIfOpen" in line),
                      "the live trace says the lookup ran out of time")

    def test_a_close_during_the_lookup_ends_the_launch_at_once_with_exit_code_1(self):
        journal = self.silent_holder()
        with LauncherRun(self.session, ARCH) as run:
            self.driver(["wait-dialog", 30000], ["choose", self.workbook])
            self.blocked_since(journal)
            self.driver(["close", "quben.Form3"])
            closed = time.monotonic()
            self.assertEqual(run.wait(10), 1)
            print(f"\nclosed to exit: {time.monotonic() - closed:.2f} s", file=sys.stderr)
            # Gone without waiting for the lookup: the holder has not answered it (it would in 60 s).
            self.assertNotIn("Application.Visible", answered(journal))
            self.assertEqual(run.journal_records(settle=0.3), [], "no application started")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
