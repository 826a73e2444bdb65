"""The traces a launch leaves for the IT department, for real under Wine: the events the launcher
writes to the Application log (Wine prints ReportEventW's arguments on its advapi and eventlog
channels) and the live trace of the steps the failure rule drops (OutputDebugStringW, which Wine
prints on its seh channel)."""

import re
import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import standin  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.desktop_case import StandinDesktopTest  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from harness.wine_session import write_download_mark  # noqa: E402

ARCH = parse_arch()
ROOT = "quben-events"
SOURCE = Path(__file__).resolve().parents[2] / "launch" / "start_workbook.cpp"
# ReportEventW's arguments, then each of its strings; the launcher's live trace.
WINEDEBUG = {"WINEDEBUG": "-all,fixme+advapi,+eventlog,warn+seh"}
REPORT = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),\w+,0x(\w+),")
STRING = re.compile(r":eventlog:ReportEventW L\"(.*)\"$")
ESCAPE = re.compile(r"\\([0-9a-f]{4}|.)")


def unescaped(text):
    """A string as Wine's debugstr_w printed it: \\XXXX for what is not printable ASCII."""
    named = {"n": "\n", "r": "\r", "t": "\t"}
    return ESCAPE.sub(lambda m: chr(int(m[1], 16)) if len(m[1]) == 4 else named.get(m[1], m[1]), text)


def events(log):
    """The events written: (type, ID, strings) for each ReportEventW call, in order."""
    found = []
    for line in log.splitlines():
        if report := REPORT.search(line):
            found.append((int(report[1], 16), int(report[2], 16), []))
        elif (string := STRING.search(line)) and found:
            found[-1][2].append(unescaped(string[1]))
    return found


class EventTraceTest(StandinDesktopTest):
    ROOT = ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for name, password in (("é.xls", "vepal_kordinut!?"), ("autre mot de passe.xls", "autre")):
            (cls.root / name).write_bytes(f"password={password}\n".encode())

    def launch(self, name, env=None, box=None):
        """Chooses the workbook `name`; when the launch shows a box, presses `box` on it and returns
        the events written before it appeared. Returns those, the launcher's exit code and Wine's log."""
        with LauncherRun(self.session, ARCH, env={**WINEDEBUG, **(env or {})}) as run:
            self.driver(["wait-dialog", 30000], ["choose", rf"C:\{ROOT}\{name}"])
            before_box = None
            if box:
                self.driver(["wait-msgbox", 60000])
                before_box = events(run.wine_log())
                self.driver(["wait-msgbox", 5000], ["press", box])
            code = run.wait(60)
            return before_box, code, run.wine_log()

    def test_a_failure_writes_one_error_event_with_what_the_box_leaves_out_before_the_box(self):
        cases = (("not started", "é.xls", 101, "0x80040154", "", ""),
                 ("not opened", "autre mot de passe.xls", 102, "0x800A03EC", "Stand-in spreadsheet", "autre"))
        for case, name, event_id, status, source, description in cases:
            with self.subTest(case):
                if event_id == 101:
                    standin.unregister_standin(self.session)
                try:
                    before_box, code, log = self.launch(name, box=1)
                finally:
                    standin.register_standin(self.session)
                self.assertEqual(code, 1)
                [(kind, written_id, strings)] = before_box
                self.assertEqual((kind, written_id), (1, event_id))  # an error
                self.assertEqual(strings[:2], [rf"C:\{ROOT}\{name}", status])
                self.assertEqual(strings[5], source)
                self.assertIn(description, strings[6])
                self.assertEqual(events(log), before_box, "one event, and nothing after the box")

    def test_a_yes_to_a_downloaded_workbook_writes_the_audit_with_the_site_shown(self):
        workbook = self.root / "téléchargé.xls"
        shutil.copy(self.root / "é.xls", workbook)
        mark = write_download_mark(workbook, 3, "https://exemple.org/classeurs/budget.xls?sig=a1")
        _, code, log = self.launch(workbook.name, box=6)
        self.assertEqual(code, 0)
        self.assertFalse(mark.exists())
        [(kind, event_id, strings)] = events(log)
        self.assertEqual((kind, event_id), (2, 202))  # a warning
        self.assertEqual(strings[0], rf"C:\{ROOT}\{workbook.name}")
        self.assertEqual(strings[8:], ["3", "marque de téléchargement", "https://exemple.org", "Oui", "oui"])

    def test_a_launch_that_works_writes_no_event_and_a_dropped_step_shows_its_place_in_the_live_trace(self):
        _, code, log = self.launch("é.xls", env={"STANDIN_FAIL": "Application.Hwnd"})
        self.assertEqual(code, 0)
        self.assertEqual(events(log), [])
        line = next(n for n, text in enumerate(SOURCE.read_text().splitlines(), 1)
                    if "BringToFront(application.Hwnd())" in text)
        traced = re.findall(r'OutputDebugStringA "quben: (.*)\\n"', log)
        self.assertIn(f"quben::WorkbookStarter::MakeVisible:{line} 0x800A03EC", traced)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
