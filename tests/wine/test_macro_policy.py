"""The organisation's macro rules and the user's own choices, for real under Wine against the
stand-in: Office's policy values in the registry (Cloud Policy, the user's and the machine's Group
Policy, read through WOW64 by the x86 launcher), trusted locations, the dialog's read-only box, and
what the launcher's own opens of the workbook ask for (Wine's file trace)."""

import contextlib
import re
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import standin  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.desktop_case import StandinDesktopTest  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from test_event_trace import WINEDEBUG, events  # noqa: E402

ARCH = parse_arch()  # before the next module's own takes the arguments
ROOT = "quben-policy"
PASSWORD = "vepal_kordinut!?"
EXCEL_POLICY = r"Software\Policies\Microsoft\Office\16.0\Excel\Security"  # 16 from the stand-in's CurVer
CLOUD_POLICY = r"Software\Policies\Microsoft\Cloud\Office\16.0\Excel\Security"
OWN_SETTINGS = r"Software\Microsoft\Office\16.0\Excel\Security"  # the user's own Trust Center
OWN_DISABLED = ("Vos paramètres d'Excel désactivent toutes les macros. Ce classeur a besoin de ses macros\u00a0: "
                "il n'a pas été ouvert.")
USER_LOCATION = r"Software\Microsoft\Office\16.0\Excel\Security\Trusted Locations\Location9"
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
    def policy(self, hive, name, value, key=EXCEL_POLICY, kind="REG_DWORD"):
        self.session.run(["reg", "add", rf"{hive}\{key}", "/v", name, "/t", kind, "/d", str(value), "/f"],
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
        with self.policy("HKCU", "VBAWarnings", 3):
            records, _, code, _ = self.launch()
            standin.close_standins(self.driver)
        self.assertEqual(code, 0)
        calls = [(c.member, c.kind, c.args) for c in standin.calls(records)]
        self.assertNotIn("Application.Version", [member for member, *_ in calls], "its CurVer says it")
        self.assertEqual(calls[:2], [("Application.AutomationSecurity", "put", ["i4:2"]),
                                     ("Application.DisplayAlerts", "put", ["bool:false"])])

    def test_cloud_policy_comes_first_then_the_users_then_the_machines(self):
        # (Cloud, user, machine, the user's own) -> the key the refusal names, or the by-UI write; 4
        # and 3 swapped between sources, so that a wrong order shows.
        for sources, named in (((4, 3, None, None), "HKCU\\" + CLOUD_POLICY), ((1, 4, 4, None), None),
                               ((None, 3, 4, None), None), ((None, None, 4, None), "HKLM\\" + EXCEL_POLICY),
                               ((None, None, None, 4), "HKCU\\" + OWN_SETTINGS), ((None, None, 2, 4), None)):
            cloud, user, machine, own = sources
            with self.subTest(sources=sources), contextlib.ExitStack() as stack:
                for hive, key, value in (("HKCU", CLOUD_POLICY, cloud), ("HKCU", EXCEL_POLICY, user),
                                         ("HKLM", EXCEL_POLICY, machine), ("HKCU", OWN_SETTINGS, own)):
                    if value is not None:
                        stack.enter_context(self.policy(hive, "VBAWarnings", value, key))
                records, text, code, log = self.launch(env=WINEDEBUG, box=named is not None)
                standin.close_standins(self.driver)
            put = [c.args for c in standin.calls(records) if c.member == "Application.AutomationSecurity"]
            if named:
                first = DISABLED[0] if own is None else OWN_DISABLED
                self.assertEqual((text.split("\n")[0], code, records), (first, 1, []))
                [(_, event_id, strings)] = events(log)
                # The last two: Wine's trace shortens a long string (this box), which the pattern then misses.
                self.assertEqual((event_id, strings[-2:]), (106, [named + "\\VBAWarnings", "4"]))
            else:
                self.assertEqual((code, put), (0, [] if sources[0] == 1 or 2 in sources else [["i4:2"]]))

    def test_disable_all_lets_excel_run_a_workbook_in_a_trusted_location(self):
        with self.policy("HKLM", "VBAWarnings", 4), \
                self.policy("HKCU", "Path", rf"C:\{ROOT}\\", USER_LOCATION, "REG_SZ"):
            records, _, code, _ = self.launch()
            standin.close_standins(self.driver)
            self.assertEqual(code, 0)
            calls = [(c.member, c.kind, c.args) for c in standin.calls(records)]
            self.assertEqual(calls[0], ("Application.AutomationSecurity", "put", ["i4:2"]))
            self.assertIn(("Workbook.RunAutoMacros", "method", ["i4:1"]), calls)
            # The organisation may take trusted locations away altogether.
            trusted = r"Software\Policies\Microsoft\Office\16.0\Excel\Security\Trusted Locations"
            with self.policy("HKCU", "AllLocationsDisabled", 1, trusted):
                records, text, code, _ = self.launch(box=True)
            self.assertEqual((text.split("\n"), code, records), (DISABLED, 1, []))

    def test_excel_told_to_decide_fails_closed_and_never_ends_silently(self):
        # The write refused: the instance quits unseen. Macros Excel kept off: the workbook stays open.
        cases = (("Application.AutomationSecurity", "Le classeur n'a pas pu être ouvert selon les règles de "
                  "votre organisation pour les macros.", False),
                 ("Workbook.RunAutoMacros", "Les macros de ce classeur n'ont pas pu s'exécuter (règles de votre "
                  "organisation, paramètres d'Excel, ou provenance du fichier).", True))
        for member, first_line, shown in cases:
            with self.subTest(member=member), self.policy("HKCU", "VBAWarnings", 3) as setting:
                records, text, code, log = self.launch(env={**WINEDEBUG, "STANDIN_FAIL": member}, box=True)
                standin.close_standins(self.driver)
            self.assertEqual((text.split("\n")[0], code), (first_line, 1))
            members = [c.member for c in standin.calls(records)]
            self.assertEqual(("Application.Quit" in members, "Workbooks.Open" in members), (not shown, shown))
            [(kind, event_id, strings)] = events(log)
            self.assertEqual((kind, event_id, strings[8:]), (1, 106, [setting, "3"]))
            self.assertNotEqual(strings[1], "", "the status")

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
