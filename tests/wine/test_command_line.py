"""A workbook named on the launcher's command line (a shortcut, a file dropped on the icon, "Ouvrir
avec"), for real under Wine against the stand-in spreadsheet application: the same launch as from
the dialog without any dialog, a name relative to the start folder, and the one message for a
missing file or a pattern."""

import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import standin  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.driver import Driver  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from harness.wine_session import Xvfb, write_download_mark  # noqa: E402

ARCH = parse_arch()
ROOT = "quben-ligne de commande"
FOLDER = "Été données"
WORKBOOK = "é classeur.xls"
PASSWORD = "vepal_kordinut!?"
PROMPT = "Désolé , le fichier correspondant est absent du répertoire de travail ."
LABEL1_ID = 100
SCREEN = (1024, 768)


def call_list(records):
    return [(c.member, c.kind, c.lcid, c.args) for c in standin.calls(records)]


class CommandLineTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = Xvfb(*SCREEN)
        cls.session = standin.standin_session(cls.display)
        cls.driver = Driver(cls.session)
        cls.root = cls.session.drive_c / ROOT
        shutil.rmtree(cls.root, ignore_errors=True)
        (cls.root / FOLDER).mkdir(parents=True)
        (cls.root / FOLDER / WORKBOOK).write_bytes(f"password={PASSWORD}\n".encode())
        cls.folder_path = rf"C:\{ROOT}\{FOLDER}"
        cls.workbook_path = rf"{cls.folder_path}\{WORKBOOK}"

    @classmethod
    def tearDownClass(cls):
        cls.session.stop()
        cls.display.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def tearDown(self):
        standin.close_standins(self.driver)
        self.assertEqual(self.driver.one(["windows", "#32770"])["windows"], [], "a dialog was left on screen")

    def launch_calls(self, *args, cwd=None):
        """Starts the launcher with `args` and returns the calls the stand-in received. Had it shown
        the dialog, nobody would close it and the launcher would never end."""
        with LauncherRun(self.session, ARCH, args=args, cwd=cwd) as run:
            self.assertEqual(run.wait(30), 0, "the launcher did not end by itself")
            return call_list(run.journal_records(settle=0.3))

    def calls_from_the_dialog(self):
        with LauncherRun(self.session, ARCH) as run:
            self.driver(["wait-dialog", 30000], ["choose", self.workbook_path])
            self.assertEqual(run.wait(60), 0)
            records = run.journal_records(settle=0.3)
        standin.close_standins(self.driver)
        return call_list(records)

    def test_an_accented_path_with_spaces_opens_as_from_the_dialog_without_one(self):
        expected = self.calls_from_the_dialog()
        self.assertIn(("Workbooks.Open", "method", 1033, [f"bstr:{self.workbook_path}", "missing", "missing",
                                                          "missing", f"bstr:{PASSWORD}"]), expected)
        # Further arguments are ignored.
        self.assertEqual(self.launch_calls(self.workbook_path, r"C:\autre.xls"), expected)

    def test_a_downloaded_workbook_dropped_on_the_icon_asks_first(self):
        mark = write_download_mark(self.root / FOLDER / WORKBOOK, 3)
        try:
            with LauncherRun(self.session, ARCH, args=[self.workbook_path]) as run:
                box = self.driver.one(["wait-msgbox", 30000])
                self.assertEqual(box["text"].split("\n")[0], "Ce classeur provient d'Internet.")
                self.driver(["wait-msgbox", 5000], ["press", 6])  # Yes
                self.assertEqual(run.wait(60), 0)
                self.assertIn("Workbooks.Open", [c.member for c in standin.calls(run.journal_records(settle=0.3))])
            self.assertFalse(mark.exists())
        finally:
            mark.unlink(missing_ok=True)

    def test_a_relative_name_is_taken_from_the_start_folder(self):
        calls = self.launch_calls(rf"{FOLDER}\{WORKBOOK}", cwd=self.root)
        [open_call] = [c for c in calls if c[0] == "Workbooks.Open"]
        self.assertEqual(open_call[3][0], f"bstr:{self.workbook_path}")

    def expect_message(self, argument, label_text, cwd=None):
        with LauncherRun(self.session, ARCH, args=[argument], cwd=cwd) as run:
            box = self.driver.one(["wait-msgbox", 30000])
            self.assertEqual((box["title"], box["text"]), ("quben", PROMPT))
            form = box["form"]
            self.assertEqual(form["rect"], [0, 0, *SCREEN], "the window must cover the screen")
            self.assertTrue(form["visible"])
            label = next(c for c in form["children"] if c["id"] == LABEL1_ID)
            self.assertEqual((label["text"], label["visible"]), (label_text, False))
            self.driver(["wait-msgbox", 5000], ["press", 1])
            self.assertEqual(run.wait(30), 0)
            self.assertEqual(run.journal_records(settle=0.3), [], "no application may be started")

    def test_a_missing_file_gets_the_message(self):
        missing = rf"{self.folder_path}\absent.xls"
        self.expect_message(missing, missing)

    def test_a_name_longer_than_the_classic_limit_is_made_full_at_its_whole_length(self):
        deep = "d" * 240
        self.expect_message(rf"{self.folder_path}\{deep}\..\{deep}\absent.xls",
                            rf"{self.folder_path}\{deep}\absent.xls")

    def test_a_pattern_gets_the_message_even_when_files_match_it(self):
        for pattern, full_path in ((rf"{self.folder_path}\*.xls", rf"{self.folder_path}\*.xls"),
                                   ("é classeur.xl?", rf"{self.folder_path}\é classeur.xl?")):
            with self.subTest(pattern=pattern):
                self.expect_message(pattern, full_path, cwd=self.root / FOLDER)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
