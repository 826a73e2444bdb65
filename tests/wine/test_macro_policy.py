"""The organisation's macro rules and the user's own choices, for real under Wine against the
stand-in: Group Policy's Office values in the registry, the dialog's read-only box, and what the
launcher's own opens of the workbook ask for (Wine's file trace)."""

import contextlib
import re
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import standin  # noqa: E402
from harness.desktop_case import StandinDesktopTest  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from test_event_trace import WINEDEBUG, events  # noqa: E402

ARCH = "x64"  # the rules are portable: one architecture shows what Windows and the stand-in do
ROOT = "quben-policy"
PASSWORD = "vepal_kordinut!?"
EXCEL_POLICY = r"Software\Policies\Microsoft\Office\16.0\Excel\Security"  # 16 from the stand-in's CurVer
DISABLED = ["Votre organisation a désactivé les macros d'Excel sur ce poste. Ce classeur a besoin de ses macros\u00a0: "
            "il n'a pas été ouvert.", "", "Adressez-vous à votre service informatique."]
# NtCreateFile's access mask as Wine's file channel prints it, for a name ending in the workbook's.
OPEN = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:file:NtCreateFile .*access=([0-9a-f]+) name=L"[^"]*\\\\(\w+\.xls)"',
                  re.M)
WRITE_ACCESS = 0x40000000 | 0x2 | 0x4 | 0x100 | 0x10 | 0x10000  # GENERIC_WRITE, data, append, attributes, EA, DELETE


class MacroPolicyTest(StandinDesktopTest):
    ROOT = ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        (cls.root / "classeur.xls").write_bytes(f"password={PASSWORD}\n".encode())
        cls.path = rf"C:\{ROOT}\classeur.xls"

    @contextlib.contextmanager
    def policy(self, hive, name, value, key=EXCEL_POLICY):
        self.session.run(["reg", "add", rf"{hive}\{key}", "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f"],
                         check=True)
        try:
            yield rf"{hive}\{key}\{name}"
        finally:
            self.session.run(["reg", "delete", rf"{hive}\{key}", "/f"], check=True)

    def launch(self, env=None, read_only=False, box=False):
        """Chooses the workbook (with the read-only box ticked when asked); returns the journal, the
        box's text (or None), the exit code and Wine's log."""
        with LauncherRun(self.session, ARCH, env=env) as run:
            self.driver(["wait-dialog", 30000])
            if read_only:
                self.assertTrue(self.driver.one(["tick", 1040])["checked"])
            self.driver(["choose", self.path])
            text = None
            if box:
                text = self.driver(["wait-msgbox", 60000])[-1]["text"]
                self.driver(["wait-msgbox", 5000], ["press", 1])
            code = run.wait(60)
            return run.journal_records(settle=0.3), text, code, run.wine_log()

    def test_macros_disabled_by_policy_refuse_the_launch_before_any_application_is_created(self):
        with self.policy("HKLM", "VBAWarnings", 4) as setting:
            records, text, code, log = self.launch(env=WINEDEBUG, box=True)
        self.assertEqual((text.split("\n"), code), (DISABLED, 1))
        self.assertEqual(records, [], "no application may be started")
        [(kind, event_id, strings)] = events(log)
        self.assertEqual((kind, event_id), (1, 106))
        self.assertEqual(strings[8:], [setting, "4"])

    def test_without_a_registered_version_the_instance_is_asked_first_and_quits_when_refused(self):
        for view in ("/reg:64", "/reg:32"):  # one key in Wine, two on a 64-bit Windows
            self.session.run(["reg", "delete", rf"HKLM\Software\Classes\{standin.PROGID}\CurVer", "/f", view])
        try:
            with self.policy("HKLM", "VBAWarnings", 4):
                records, text, code, _ = self.launch(box=True)
        finally:
            (self.session.prefix / ".quben-standin").unlink()
            standin.register_standin(self.session)
        self.assertEqual((text.split("\n"), code), (DISABLED, 1))
        self.assertEqual([(c.member, c.kind) for c in standin.calls(records)],
                         [("Application.Version", "get"), ("Application.Quit", "method")])

    def test_signed_macros_only_sets_the_trust_centers_rule_before_the_application_is_shown(self):
        # The user's value where the machine sets none; the machine's where both do.
        for machine, expected in ((None, ["i4:2"]), (1, None)):
            with self.subTest(machine=machine), self.policy("HKCU", "VBAWarnings", 3), \
                    (self.policy("HKLM", "VBAWarnings", machine) if machine else contextlib.nullcontext()):
                records, _, code, _ = self.launch()
                standin.close_standins(self.driver)
            self.assertEqual(code, 0)
            calls = [(c.member, c.kind, c.args) for c in standin.calls(records)]
            put = [args for member, kind, args in calls if member == "Application.AutomationSecurity"]
            self.assertEqual(put, [expected] if expected else [])
            self.assertNotIn("Application.Version", [member for member, *_ in calls], "its CurVer says it")
            if expected:
                self.assertEqual(calls[:2], [("Application.AutomationSecurity", "put", expected),
                                             ("Application.DisplayAlerts", "put", ["bool:false"])])

    def test_the_read_only_box_reaches_open_and_no_notice_follows(self):
        # A colleague has the workbook: without the box ticked, a notice would say so.
        journal = self.root / "journal-collegue.txt"
        standin.start_user_instance(self.session, journal, self.path, env={"STANDIN_NO_ROT": "1"})
        records, _, code, _ = self.launch(read_only=True)
        self.assertEqual(code, 0)
        [open_call] = [c for c in standin.calls(records) if c.member == "Workbooks.Open"]
        self.assertEqual(open_call.args, [f"bstr:{self.path}", "missing", "bool:true", "missing", f"bstr:{PASSWORD}"])
        self.assertNotIn("Workbook.ReadOnly", [c.member for c in standin.calls(records)])

    def test_no_open_of_the_workbook_by_the_launcher_asks_for_writing(self):
        # Held by a colleague, so that the launcher's probe is sure to be made and to be refused.
        journal = self.root / "journal-collegue.txt"
        _, colleague = standin.start_user_instance(self.session, journal, self.path, env={"STANDIN_NO_ROT": "1"})
        records, _, code, log = self.launch(env={"WINEDEBUG": "-all,+pid,+file"}, box=True)
        self.assertEqual(code, 0)  # the read-only notice
        servers = set(standin.pids(records)) | {colleague}
        opens = [(int(pid, 16), int(access, 16)) for pid, access, name in OPEN.findall(log) if name == "classeur.xls"]
        launcher = [access for pid, access in opens if pid not in servers]
        self.assertTrue(launcher, log[-3000:])
        self.assertEqual([hex(a) for a in launcher if a & WRITE_ACCESS], [])
        self.assertTrue(any(access & WRITE_ACCESS for pid, access in opens if pid in servers), "the trace shows writes")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
