"""The launch of a chosen workbook, for real under Wine against the stand-in spreadsheet
application: the calls it receives and their arguments, what stays running, the one message box,
and silence whatever fails."""

import shutil
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import standin  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.driver import Driver  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from harness.wine_session import Xvfb, build_dir, windows_path  # noqa: E402

ARCH = parse_arch()
ROOT = "quben-launch"
PASSWORD = "vepal_kordinut!?"
PROMPT = "Désolé , le fichier correspondant est absent du répertoire de travail ."
STANDIN_CLASS = standin.STANDIN_CLASS


def open_args(path, password=PASSWORD):
    """Workbooks.Open as the launcher must call it, which every version of the application takes:
    the file name, three omitted, the password, nothing after it."""
    return [f"bstr:{path}", "missing", "missing", "missing", f"bstr:{password}"]


def launch_calls(path):
    return [
        ("Application.DisplayAlerts", "put", 1033, ["bool:false"]),
        ("Application.Visible", "put", 1033, ["bool:true"]),
        ("Application.Workbooks", "get", 1033, []),
        ("Workbooks.Open", "method", 1033, open_args(path)),
        ("Workbook.RunAutoMacros", "method", 1033, ["i4:1"]),
        ("Application.DisplayAlerts", "put", 1033, ["bool:true"]),  # the user's alerts back
        ("Application.Hwnd", "get", 1033, []),
    ]


def without(calls, *members):
    return [c for c in calls if c[0] not in members]


def call_list(records, pid=None):
    return [(c.member, c.kind, c.lcid, c.args) for c in standin.calls(records) if pid is None or c.pid == pid]


class WorkbookLaunchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = Xvfb(1024, 768)
        cls.session = standin.standin_session(cls.display)
        cls.driver = Driver(cls.session)
        cls.root = cls.session.drive_c / ROOT
        shutil.rmtree(cls.root, ignore_errors=True)
        (cls.root / "Été données").mkdir(parents=True)
        cls.workbook = cls.root / "Été données" / "é.xls"
        cls.workbook.write_bytes(f"classeur de test\npassword={PASSWORD}\n".encode())
        cls.workbook_path = rf"C:\{ROOT}\Été données\é.xls"
        (cls.root / "autre mot de passe.xls").write_bytes(b"password=autre chose\n")
        (cls.root / "cache.xls").write_bytes(b"password=x\n")
        cls.session.run(["cmd", "/c", "attrib", "+h", rf"C:\{ROOT}\cache.xls"], check=True)
        (cls.root / "deja ouvert.xls").write_bytes(b"classeur de l'utilisateur\n")

    @classmethod
    def tearDownClass(cls):
        standin.register_standin(cls.session)
        cls.session.stop()
        cls.display.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def tearDown(self):
        self.close_standins()
        # Nothing but what a test expects may ever be left on screen: no crash or error dialog.
        leftovers = self.driver.one(["windows", "#32770"])["windows"]
        self.assertEqual(leftovers, [], "an unexpected dialog is on screen")

    def close_standins(self):
        standin.close_standins(self.driver)

    def launch(self, path, env=None):
        """Chooses `path` in the launcher's dialog and waits for the launcher to end."""
        with LauncherRun(self.session, ARCH, env=env) as run:
            self.driver(["wait-dialog", 30000], ["choose", path])
            self.assertEqual(run.wait(60), 0)
            return run.journal_records(settle=0.3)

    def test_workbook_opened_in_a_new_visible_instance_with_its_password_and_macros_run(self):
        before = self.workbook.read_bytes()
        records = self.launch(self.workbook_path)
        [pid] = standin.pids(records)
        self.assertEqual(standin.events(records, pid)[:2], [("start", "mode=embedding"), ("create", "Application")])
        self.assertEqual(call_list(records), launch_calls(self.workbook_path))
        self.assertTrue(all(r.ok for r in standin.results(records)), standin.results(records))
        # The launcher has gone; the application stays, visible, with the workbook.
        [window] = self.driver.one(["windows", STANDIN_CLASS])["windows"]
        self.assertEqual(window["pid"], pid)  # both are Windows process ids
        self.assertTrue(window["visible"])
        self.assertIn("é.xls", window["title"])
        self.assertEqual(self.workbook.read_bytes(), before, "the workbook must be left byte for byte as it was")

    def test_an_application_the_user_already_has_open_receives_nothing(self):
        user_journal = self.root / "journal-utilisateur.txt"
        user_journal.unlink(missing_ok=True)
        user = self.session.start([build_dir("x64") / "standin_spreadsheet.exe", rf"C:\{ROOT}\deja ouvert.xls"],
                                  env={"STANDIN_JOURNAL": windows_path(user_journal)})
        try:
            deadline = time.monotonic() + 20
            while not self.driver.one(["windows", STANDIN_CLASS])["windows"]:
                self.assertLess(time.monotonic(), deadline, "the user's instance did not start")
            seen_before = standin.parse_journal(str(user_journal))
            records = self.launch(self.workbook_path)
            self.assertEqual(call_list(records), launch_calls(self.workbook_path))
            user_pids = standin.pids(seen_before)
            self.assertTrue(user_pids)
            self.assertNotIn(user_pids[0], standin.pids(records, "call"))
            self.assertEqual(standin.parse_journal(str(user_journal)), seen_before,
                             "the user's own instance must not be called")
            self.assertEqual(len(self.driver.one(["windows", STANDIN_CLASS])["windows"]), 2)
        finally:
            self.close_standins()
            user.wait(timeout=15)

    def test_absent_workbook_gets_the_one_message_then_the_launcher_ends(self):
        hidden = rf"C:\{ROOT}\cache.xls"  # the dialog takes it, the launch does not count it
        with LauncherRun(self.session, ARCH) as run:
            box = self.driver(["wait-dialog", 30000], ["choose", hidden], ["wait-msgbox", 30000])[-1]
            self.assertEqual(box["title"], "quben")
            self.assertEqual(box["text"], PROMPT)
            self.assertEqual([b["text"].replace("&", "") for b in box["buttons"]], ["OK"])
            self.assertFalse(box["icon"])
            self.assertEqual(box["owner_class"], "quben.Form3")
            self.assertEqual(box["owner"], box["form"]["hwnd"])
            label = next(c for c in box["form"]["children"] if c["id"] == 100)
            self.assertEqual(label["text"], hidden, "Label1 carries the chosen path unchanged")
            self.assertFalse(label["visible"])
            self.driver(["wait-msgbox", 5000], ["press", 1])
            self.assertEqual(run.wait(30), 0)
            self.assertEqual(run.journal_records(settle=0.3), [], "no application may be started")

    def test_chosen_path_with_accents_and_spaces_reaches_the_label_unchanged(self):
        absent_after_choice = self.root / "Été données" / "supprimé après le choix.xls"
        absent_after_choice.write_bytes(b"x")
        path = rf"C:\{ROOT}\Été données\supprimé après le choix.xls"
        with LauncherRun(self.session, ARCH) as run:
            self.driver(["wait-dialog", 30000])
            # Hidden after the dialog checked it exists: the launch then finds it absent.
            self.session.run(["cmd", "/c", "attrib", "+h", path], check=True)
            box = self.driver(["wait-dialog", 5000], ["choose", path], ["wait-msgbox", 30000])[-1]
            label = next(c for c in box["form"]["children"] if c["id"] == 100)
            self.assertEqual(label["text"], path)
            self.driver(["wait-msgbox", 5000], ["press", 1])
            self.assertEqual(run.wait(30), 0)

    def test_wrong_password_leaves_the_application_open_and_runs_no_macro(self):
        path = rf"C:\{ROOT}\autre mot de passe.xls"
        records = self.launch(path)
        self.assertEqual(call_list(records), without(launch_calls(path), "Workbook.RunAutoMacros"))
        [failed] = [r for r in standin.results(records) if not r.ok]
        self.assertEqual(failed.member, "Workbooks.Open")
        self.assertEqual(len(self.driver.one(["windows", STANDIN_CLASS])["windows"]), 1)

    def test_a_busy_application_is_waited_for_and_every_step_made_once(self):
        # Busy for 1.5 s once shown (every automation call refused), then its macros call answers
        # "busy" a few times.
        records = self.launch(self.workbook_path, env={"STANDIN_BUSY_AFTER_VISIBLE_MS": "1500",
                                                       "STANDIN_BUSY": "Workbook.RunAutoMacros"})
        self.assertEqual(len(standin.pids(records)), 1, "one application only")
        self.assertEqual(call_list(records), launch_calls(self.workbook_path))
        self.assertTrue(all(r.ok for r in standin.results(records)), standin.results(records))
        events = [name for name, *_ in standin.events(records)]
        self.assertGreaterEqual(events.count("rejected"), 2)
        self.assertEqual(events.count("busy"), 3)

    def test_the_application_comes_to_the_front(self):
        # The window the launcher was started from; Windows hands the foreground back to it when
        # the launcher minimises, and the stand-in never activates itself.
        notepad = self.session.start(["notepad"])
        try:
            deadline = time.monotonic() + 20
            while self.driver.one("foreground").get("class") != "Notepad":
                self.assertLess(time.monotonic(), deadline, "notepad did not come up")
                time.sleep(0.2)
            records = self.launch(self.workbook_path)
            front = self.driver.one("foreground")
            self.assertEqual(front["class"], STANDIN_CLASS)
            self.assertEqual(front["window"]["pid"], standin.pids(records)[0])
        finally:
            self.driver(["close", "Notepad"])
            notepad.wait(timeout=15)

    def test_a_path_too_long_for_the_application_is_opened_by_its_short_form(self):
        folder = self.root / ("Dossier de mesures très détaillées " * 5).strip()
        folder.mkdir(exist_ok=True)
        parent = rf"C:\{ROOT}\{folder.name}" + "\\"
        name = "Incertitude étalonnage " + "x" * (249 - len(parent) - 27) + ".xls"
        (folder / name).write_bytes(f"password={PASSWORD}\n".encode())
        path = parent + name
        self.assertEqual(len(path), 249)
        records = self.launch(path)
        opened = next(c for c in standin.calls(records) if c.member == "Workbooks.Open").args[0]
        self.assertTrue(opened.startswith("bstr:"))
        self.assertLessEqual(len(opened) - len("bstr:"), 218)
        self.assertEqual(self.driver.one(["long-path", opened[len("bstr:"):]])["path"], path)
        self.assertTrue(all(r.ok for r in standin.results(records)), standin.results(records))

    def test_no_registered_application_ends_silently(self):
        standin.unregister_standin(self.session)
        try:
            records = self.launch(self.workbook_path)
        finally:
            standin.register_standin(self.session)
        self.assertEqual(records, [])

    def assert_remaining_steps_made(self, member, records, crashed):
        expected = launch_calls(self.workbook_path)
        members = [m for m, *_ in expected]
        if member == "Application.Create":
            made = []
        elif crashed:
            # Up to the crash the calls are made; then the server is gone, so the later steps
            # fail on the client side and reach it no more.
            made = expected[:members.index(member) + 1]
        elif member == "Application.Workbooks":
            made = without(expected, "Workbooks.Open", "Workbook.RunAutoMacros")
        elif member == "Workbooks.Open":
            made = without(expected, "Workbook.RunAutoMacros")  # no workbook: no macros run
        else:
            made = expected
        self.assertEqual(call_list(records), made)

    def inject_in_each_member(self, variable, crashed):
        for member in ("Application.Create", "Application.DisplayAlerts", "Application.Visible",
                       "Application.Workbooks", "Workbooks.Open", "Workbook.RunAutoMacros", "Application.Hwnd"):
            with self.subTest(member=member):
                records = self.launch(self.workbook_path, env={variable: member})
                self.assert_remaining_steps_made(member, records, crashed)
                if crashed:
                    self.assertIn(("crash", member), standin.events(records))
                self.close_standins()

    def test_each_member_failing_in_turn_ends_silently_with_the_remaining_steps_made(self):
        self.inject_in_each_member("STANDIN_FAIL", crashed=False)

    def test_each_member_crashing_in_turn_ends_silently(self):
        self.inject_in_each_member("STANDIN_CRASH", crashed=True)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
