"""The launch of a chosen workbook, for real under Wine against the stand-in spreadsheet
application: the calls it receives and their arguments, what stays running, the window in front,
and the message that says why a launch failed."""

import contextlib
import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import patience, standin  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.desktop_case import StandinDesktopTest  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from harness.wine_session import build_dir, windows_path, write_download_mark  # noqa: E402

ARCH = parse_arch()  # before the next module's own takes the arguments
from test_event_trace import WINEDEBUG, events  # noqa: E402
ROOT = "quben-launch"
PASSWORD = "vepal_kordinut!?"
PROMPT = "Désolé , le fichier correspondant est absent du répertoire de travail ."
NOT_STARTED = "Microsoft Excel n'a pas pu être démarré."
NOT_OPENED = "Le classeur n'a pas pu être ouvert dans Excel."
DOWNLOADED = "Ce classeur provient d'Internet."
MACROS_NOT_RUN = ("Les macros de ce classeur n'ont pas pu s'exécuter (règles de votre organisation, paramètres d'Excel, "
                  "ou provenance du fichier).")
FORBIDDEN = "Ce classeur provient d'Internet et votre organisation ne permet pas de le débloquer."
ATTACHMENT_POLICY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Attachments"
ZONE_MAP = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\ZoneMap\Domains"
TOO_LONG = "Le chemin de ce classeur est trop long pour Excel (218 caractères au plus)."
HELD_ELSEWHERE = "Ce classeur est déjà ouvert par quelqu'un d'autre\u00a0: Excel l'a ouvert en lecture seule."
BY_UI = ("Application.AutomationSecurity", "put", 1033, ["i4:2"])  # msoAutomationSecurityByUI, before anything
WM_QUERYENDSESSION, WM_ENDSESSION, ENDSESSION_LOGOFF, ENDSESSION_CLOSEAPP = 0x11, 0x16, 0x80000000, 0x1
WM_KEYDOWN, VK_ESCAPE, WM_SYSCOMMAND, SC_CLOSE = 0x100, 0x1B, 0x112, 0xF060
WS_SYSMENU, WS_EX_TOOLWINDOW, WS_EX_APPWINDOW = 0x80000, 0x80, 0x40000
STANDIN_CLASS = standin.STANDIN_CLASS


def open_args(path, password=PASSWORD):
    """Workbooks.Open as the launcher must call it, which every version of the application takes:
    the file name, three omitted, the password, nothing after it."""
    return [f"bstr:{path}", "missing", "missing", "missing", f"bstr:{password}"]


def launch_calls(path, held=False):
    """`held`: another process has the file, so whether it came up read-only is asked."""
    return [
        ("Application.DisplayAlerts", "put", 1033, ["bool:false"]),
        ("Application.Visible", "put", 1033, ["bool:true"]),
        ("Application.Hwnd", "get", 1033, []),  # brought to the front before the workbook opens
        ("Application.Workbooks", "get", 1033, []),
        ("Workbooks.Open", "method", 1033, open_args(path)),
        ("Workbook.RunAutoMacros", "method", 1033, ["i4:1"]),
        *([("Workbook.ReadOnly", "get", 1033, [])] if held else []),
        ("Application.DisplayAlerts", "put", 1033, ["bool:true"]),  # the user's alerts back, at the end
    ]


def refusal_ticks(records):
    """When (ms, the journal's clock) each refused call came."""
    return [int(e[3].removeprefix("tick=")) for e in standin.events(records) if e[0] == "rejected"]


def without(calls, *members):
    return [c for c in calls if c[0] not in members]


def call_list(records, pid=None):
    return [(c.member, c.kind, c.lcid, c.args) for c in standin.calls(records) if pid is None or c.pid == pid]


class WorkbookLaunchTest(StandinDesktopTest):
    ROOT = ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        (cls.root / "Été données").mkdir()
        cls.workbook = cls.root / "Été données" / "é.xls"
        cls.workbook.write_bytes(f"classeur de test\npassword={PASSWORD}\n".encode())
        cls.workbook_path = rf"C:\{ROOT}\Été données\é.xls"
        (cls.root / "autre mot de passe.xls").write_bytes(b"password=autre chose\n")
        (cls.root / "cache.xls").write_bytes(b"password=x\n")
        cls.session.run(["cmd", "/c", "attrib", "+h", rf"C:\{ROOT}\cache.xls"], check=True)
        (cls.root / "deja ouvert.xls").write_bytes(b"classeur de l'utilisateur\n")

    def tearDown(self):
        super().tearDown()
        # Nothing but what a test expects may ever be left on screen: no crash or error dialog.
        leftovers = self.driver.one(["windows", "#32770"])["windows"]
        self.assertEqual(leftovers, [], "an unexpected dialog is on screen")

    def close_standins(self):
        standin.close_standins(self.driver)

    def launch(self, path, env=None):
        """Chooses `path` in the launcher's dialog and waits for the launcher to end, in success."""
        return self.launch_failing(path, env, expect_box=False)[0]

    def launch_failing(self, path, env=None, expect_box=True, code=None, until=None):
        """Chooses `path`; when `expect_box`, the launch must end in a message (returned, then
        closed) and exit code `code` (1 unless given), otherwise in exit code 0 without one.
        `until(records)`: a journal line written after the launcher's exit, waited for."""
        with LauncherRun(self.session, ARCH, env=env) as run:
            self.driver(["wait-dialog", 30000], ["choose", path])
            box = None
            if expect_box:
                box = self.driver(["wait-msgbox", 60000])[-1]
                self.assertEqual(box["title"], "quben")
                self.assertEqual([b["text"].replace("&", "") for b in box["buttons"]], ["OK"])
                self.assertTrue(box["icon"])
                if box["owner"] == box["form"]["hwnd"]:
                    self.assertFalse(box["form"]["iconic"], "a minimised owner would hide the box")
                self.driver(["wait-msgbox", 5000], ["press", 1])
            self.assertEqual(run.wait(60), (1 if code is None else code) if expect_box else 0)
            return run.journal_records(settle=0.3, until=until), box

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

    @contextlib.contextmanager
    def user_instance(self, workbook=rf"C:\{ROOT}\deja ouvert.xls", env=None):
        """An application the user started on `workbook` and works in: its window is in front.
        Yields the path of its own journal, which holds its start and that activation."""
        journal = self.root / "journal-utilisateur.txt"
        journal.unlink(missing_ok=True)
        user = self.session.start([build_dir("x64") / "standin_spreadsheet.exe", workbook],
                                  env={"STANDIN_JOURNAL": windows_path(journal), **(env or {})})
        try:
            self.until("the user's instance in front", lambda: ("front", "activated", "self", "launcher=none")
                       in standin.events(standin.parse_journal(str(journal))), timeout=20)
            self.assertEqual(self.driver.one("foreground")["class"], STANDIN_CLASS)
            yield journal
        finally:
            self.close_standins()
            user.wait(timeout=patience.seconds(15))

    def test_an_application_the_user_already_has_open_receives_nothing(self):
        with self.user_instance() as user_journal:
            seen_before = standin.parse_journal(str(user_journal))
            records = self.launch(self.workbook_path)
            self.assertEqual(call_list(records), launch_calls(self.workbook_path))
            user_pids = standin.pids(seen_before)
            self.assertTrue(user_pids)
            self.assertNotIn(user_pids[0], standin.pids(records, "call"))
            self.assertEqual(standin.parse_journal(str(user_journal)), seen_before,
                             "the user's own instance must not be called, nor come back in front")
            self.assertEqual(len(self.driver.one(["windows", STANDIN_CLASS])["windows"]), 2)

    def test_the_application_comes_to_the_front_while_the_launcher_is_still_shown(self):
        # Only the foreground process may hand the foreground on: the launcher, as long as its
        # window is shown. Had it minimised first, Windows would have handed the foreground back to
        # the user's application (its activation journaled), and the new one, which never
        # activates itself, would have stayed behind.
        with self.user_instance() as user_journal:
            seen_before = standin.parse_journal(str(user_journal))
            records = self.launch(self.workbook_path)
            self.assertEqual(standin.parse_journal(str(user_journal)), seen_before,
                             "the user's application was never in front again")
            # Asked for its window while the launcher is in front and shown; in front itself, the
            # launcher minimised, when the workbook opens.
            fronts = [e[1:] for e in standin.events(records) if e[0] == "front" and e[1] != "activated"]
            self.assertEqual(fronts, [("hwnd", "other=quben.Form3", "launcher=shown"),
                                      ("open", "self", "launcher=minimised")])
            front = self.driver.one("foreground")
            self.assertEqual(front["class"], STANDIN_CLASS)
            self.assertEqual(front["window"]["pid"], standin.pids(records)[0])

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

    def test_a_workbook_the_application_refuses_gets_its_explanation_and_exit_code_1(self):
        path = rf"C:\{ROOT}\autre mot de passe.xls"
        records, box = self.launch_failing(path)
        # No macro runs, and the application's alerts are back on before the message.
        self.assertEqual(call_list(records), without(launch_calls(path), "Workbook.RunAutoMacros", "Workbook.ReadOnly"))
        [failed] = [r for r in standin.results(records) if not r.ok]
        self.assertEqual(failed.member, "Workbooks.Open")
        self.assertEqual(box["text"].split("\n"), [
            NOT_OPENED, "", path, "",
            "Le mot de passe fourni pour « autre mot de passe.xls » n'est pas correct. Vérifiez la casse des lettres.",
            "(code 0x800A03EC)"])
        self.assertEqual(len(self.driver.one(["windows", STANDIN_CLASS])["windows"]), 1, "the application stays")

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

    def test_a_path_too_long_for_the_application_keeps_its_file_name(self):
        folder = self.root / ("Dossier de mesures très détaillées " * 5).strip()
        folder.mkdir(exist_ok=True)
        parent = rf"C:\{ROOT}\{folder.name}" + "\\"
        name = "Incertitude étalonnage " + "x" * (243 - len(parent) - 27) + ".xls"
        (folder / name).write_bytes(f"password={PASSWORD}\n".encode())
        path = parent + name
        self.assertEqual(len(path), 243)
        records = self.launch(path)
        opened = next(c for c in standin.calls(records) if c.member == "Workbooks.Open").args[0]
        self.assertTrue(opened.startswith("bstr:"))
        opened = opened[len("bstr:"):]
        self.assertLessEqual(len(opened), 218)
        self.assertTrue(opened.endswith("\\" + name), "the folder is shortened, not the file's own name")
        self.assertEqual(self.driver.one(["long-path", opened])["path"], path)
        self.assertTrue(all(r.ok for r in standin.results(records)), standin.results(records))

    def test_a_path_too_long_even_with_its_folder_shortened_gets_the_message_and_no_application(self):
        name = "Incertitude " + "e" * 210 + ".xls"  # a Linux name holds 255 bytes
        (self.root / name).write_bytes(f"password={PASSWORD}\n".encode())
        path = rf"C:\{ROOT}\{name}"
        records, box = self.launch_failing(path)
        self.assertEqual(box["text"].split("\n")[:3], [TOO_LONG, "", path])
        self.assertEqual(records, [], "no application may be started")

    def test_no_registered_application_gets_the_not_started_message(self):
        standin.unregister_standin(self.session)
        try:
            records, box = self.launch_failing(self.workbook_path)
        finally:
            standin.register_standin(self.session)
        self.assertEqual(box["text"], f"{NOT_STARTED}\n\nExcel ne semble pas être installé sur cet ordinateur.\n"
                                      "(code 0x80040154)")
        self.assertEqual(box["owner"], box["form"]["hwnd"], "the launcher is still shown: the box is its own")
        self.assertEqual(records, [])

    def downloaded_workbook(self, name, url="https://exemple.org/classeurs/budget%20mesures.xls"):
        """A workbook beside the others, marked as downloaded from `url`: its path and its mark."""
        workbook = self.root / "Été données" / name
        workbook.write_bytes(f"password={PASSWORD}\n".encode())
        self.addCleanup(workbook.unlink, missing_ok=True)
        mark = write_download_mark(workbook, 3, url)
        self.addCleanup(mark.unlink, missing_ok=True)
        return rf"C:\{ROOT}\Été données\{name}", mark

    def answer_question(self, path, button, source=None, dropped=False, question=None):
        """Chooses `path` (or, `dropped`, gives it on the command line), checks the question (the
        download question, its "Provenance" line saying `source` or not there; or the text
        `question`) and presses `button`; returns the launcher's exit code and the stand-in's journal."""
        with LauncherRun(self.session, ARCH, args=[path] if dropped else ()) as run:
            choice = [] if dropped else [["wait-dialog", 30000], ["choose", path]]
            box = self.driver(*choice, ["wait-msgbox", 30000])[-1]
            self.assertEqual(box["title"], "quben")
            lines = box["text"].split("\n")
            if question:
                self.assertEqual(box["text"], question)
            else:
                self.assertEqual(lines[:2], [DOWNLOADED, ""])
                self.assertEqual([line for line in lines if line.startswith("Provenance")],
                                 [f"Provenance\u00a0: {source}"] if source else [])
                self.assertEqual(lines[-1], "Débloquer ce classeur et l'ouvrir\u00a0?")
            self.assertEqual([(b["text"].replace("&", ""), b["default"]) for b in box["buttons"]],
                             [("Yes", False), ("No", True)])
            self.assertTrue(box["icon"])
            self.assertEqual(box["owner"], box["form"]["hwnd"])
            self.driver(["wait-msgbox", 5000], ["press", button])
            return run.wait(60), run.journal_records(settle=0.3)

    def test_a_downloaded_workbook_opens_only_on_a_yes_which_unblocks_it(self):
        # A signed download link: the question names the site alone.
        path, mark = self.downloaded_workbook(
            "téléchargé.xls", "https://user:pw@exemple.org:8443/classeurs/budget%20mesures.xls?sig=" + "a1" * 300)
        for answer, button in (("no", 7), ("yes", 6)):
            with self.subTest(answer=answer):
                code, records = self.answer_question(path, button, source="https://exemple.org")
                self.assertEqual(code, 0)
                if answer == "no":
                    self.assertEqual(records, [], "no application may be started")
                    self.assertTrue(mark.exists(), "the mark stays")
                else:
                    self.assertFalse(mark.exists(), "unblocked")
                    self.assertEqual(len(standin.pids(records)), 1)
                    self.assertEqual(call_list(records), launch_calls(path))

    def test_a_mark_that_cannot_be_removed_does_not_stop_a_yes(self):
        path, mark = self.downloaded_workbook("lecture seule.xls")
        mark.chmod(0o444)  # Wine refuses to delete a read-only file
        code, records = self.answer_question(path, 6, source="https://exemple.org")
        self.assertEqual(code, 0)
        self.assertTrue(mark.exists())
        self.assertEqual(call_list(records), launch_calls(path))

    def test_where_the_organisation_forbids_unblocking_a_download_is_refused_unasked(self):
        path, mark = self.downloaded_workbook("interdit.xls")
        self.session.run(["reg", "add", ATTACHMENT_POLICY, "/v", "HideZoneInfoOnProperties", "/t", "REG_DWORD",
                          "/d", "1", "/f"], check=True)
        try:
            records, box = self.launch_failing(path)
        finally:
            self.session.run(["reg", "delete", ATTACHMENT_POLICY, "/f"], check=True)
        self.assertEqual(box["text"].split("\n")[:2], [FORBIDDEN, ""])
        self.assertTrue(mark.exists(), "the mark stays")
        self.assertEqual(records, [], "no application may be started")

    def test_a_workbook_on_a_share_of_the_internet_is_left_to_excel_unasked_unless_mapped_to_the_intranet(self):
        # Wine reaches \\server\share through the prefix's dosdevices\unc folder; its open-file
        # dialog refuses such a path, a name on the command line does not.
        share = self.session.prefix / "dosdevices" / "unc" / "files.example.org"
        share.mkdir(parents=True, exist_ok=True)
        (share / "partage").symlink_to(self.root / "Été données")
        self.addCleanup(shutil.rmtree, share.parent, ignore_errors=True)
        path = r"\\files.example.org\partage\é.xls"
        # No question, marked or not, "Débloquer" hidden or not: Excel's own rules, nothing on disk changed.
        mark = write_download_mark(self.workbook, 3)
        self.session.run(["reg", "add", ATTACHMENT_POLICY, "/v", "HideZoneInfoOnProperties", "/t", "REG_DWORD",
                          "/d", "1", "/f"], check=True)
        try:
            for marked in (True, False):
                with self.subTest(marked=marked), LauncherRun(self.session, ARCH, args=[path]) as run:
                    self.assertEqual(run.wait(60), 0)
                    self.assertEqual(call_list(run.journal_records(settle=0.3)), [BY_UI, *launch_calls(path)])
                    self.assertEqual(mark.exists(), marked)
                    mark.unlink(missing_ok=True)
                    self.close_standins()
        finally:
            self.session.run(["reg", "delete", ATTACHMENT_POLICY, "/f"], check=True)
        mapping = ZONE_MAP + r"\example.org\files"
        self.session.run(["reg", "add", mapping, "/v", "file", "/t", "REG_DWORD", "/d", "1", "/f"], check=True)
        try:
            with LauncherRun(self.session, ARCH, args=[path]) as run:
                self.assertEqual(run.wait(60), 0)
                self.assertEqual(call_list(run.journal_records(settle=0.3)), launch_calls(path))
        finally:
            self.session.run(["reg", "delete", ZONE_MAP + r"\example.org", "/f"], check=True)

    def test_a_workbook_from_the_intranet_opens_without_a_question(self):
        mark = write_download_mark(self.workbook, 1, "file://serveur/partage/%C3%A9.xls")
        try:
            self.assertEqual(call_list(self.launch(self.workbook_path)), launch_calls(self.workbook_path))
            self.assertTrue(mark.exists())
        finally:
            mark.unlink()

    def test_help_in_the_dialog_explains_what_to_do_and_the_dialog_stays(self):
        with LauncherRun(self.session, ARCH) as run:
            dialog = self.driver(["wait-dialog", 30000])[-1]["dialog"]
            box = self.driver("post-help", ["wait-msgbox", 10000])[-1]
            self.assertEqual(box["title"], "quben")
            self.assertEqual(box["text"], "Choisissez le classeur de calcul d'incertitude (fichier .xls), puis cliquez "
                                          "sur Ouvrir. Excel démarre avec le classeur et ce lanceur se ferme.")
            self.assertEqual([b["text"].replace("&", "") for b in box["buttons"]], ["OK"])
            self.assertTrue(box["icon"])
            self.assertEqual(box["owner"], dialog["hwnd"], "the box belongs to the dialog")
            after = self.driver(["wait-msgbox", 5000], ["press", 1], ["sleep", 300],
                                ["wait-dialog", 5000])[-1]["dialog"]
            self.assertEqual(after["hwnd"], dialog["hwnd"], "the dialog stays open")
            self.driver("cancel")
            self.assertEqual(run.wait(30), 0)
            self.assertEqual(run.journal_records(settle=0.3), [])

    def wait_for_journal(self, run, *event, timeout=30):
        """Until an event that starts with `event` (its name, then fields) is in the journal."""
        self.until(f"{event} in the journal",
                   lambda: any(e[:len(event)] == event for e in standin.events(run.journal_records())), timeout)

    def test_an_application_busy_from_its_start_finds_the_launcher_out_of_its_way(self):
        # A window it shows while it starts (activation, sign-in) would be behind the launcher's:
        # after 5 s of refusals the launcher minimises, and the launch completes once they end.
        records = self.launch(self.workbook_path, env={"STANDIN_BUSY_FROM_START_MS": "8000"})
        self.assertEqual(len(standin.pids(records)), 1, "one application only")
        self.assertEqual(call_list(records), launch_calls(self.workbook_path))
        states = [e[2] for e in standin.events(records) if e[0] == "rejected"]
        self.assertEqual((states[0], states[-1]), ("launcher=shown", "launcher=minimised"))

    def test_closing_the_launcher_during_a_launch_ends_it_at_once_with_exit_code_1(self):
        with LauncherRun(self.session, ARCH, env={"STANDIN_BUSY_AFTER_VISIBLE_MS": "30000"}) as run:
            self.driver(["wait-dialog", 30000], ["choose", self.workbook_path])
            self.wait_for_journal(run, "rejected")
            closed = self.driver.one(["close", "quben.Form3"])["tick"]
            self.assertEqual(run.wait(10), 1)
            records = run.journal_records(settle=0.5)
        # Shown, then nothing more asked of it: no workbook opened, no message (tearDown).
        self.assertEqual(call_list(records), launch_calls(self.workbook_path)[:2])
        # The call under way gives up at its next refusal; then the alerts are asked back, every
        # 200 ms for 1 s at most: counted, since load stretches the spacing but never adds a call.
        after = [tick for tick in refusal_ticks(records) if tick >= closed]
        print(f"\nrefusals after the close: {len(after)} over {after[-1] - after[0]} ms, the last "
              f"{after[-1] - closed:.0f} ms after it", file=sys.stderr)
        self.assertGreaterEqual(len(after), 2)
        self.assertLessEqual(len(after), 1 + 1 + 1000 // 200)  # the call under way, then 1 s of them

    def test_escape_or_the_taskbar_button_of_a_launch_stepped_aside_cancels_it_as_a_close(self):
        for name, minimised, message in (("Escape", "launcher=shown", [WM_KEYDOWN, VK_ESCAPE]),
                                         ("taskbar", "launcher=minimised", [WM_SYSCOMMAND, SC_CLOSE])):
            busy = {"STANDIN_BUSY_AFTER_VISIBLE_MS": "30000"}
            with self.subTest(name), LauncherRun(self.session, ARCH, env=busy) as run:
                self.driver(["wait-dialog", 30000], ["choose", self.workbook_path])
                self.until(minimised, lambda: minimised in [
                    e[2] for e in standin.events(run.journal_records()) if e[0] == "rejected"])
                form = self.driver.one("form")["form"]
                sent = self.driver.one(["send", "quben.Form3", *message, 0])["tick"]
                self.assertEqual(run.wait(10), 1)
                records = run.journal_records(settle=0.5)
            if minimised == "launcher=minimised":  # out of sight, on the taskbar and saying what it does
                styles = form["exstyle"] & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), form["style"] & WS_SYSMENU
                self.assertEqual((form["iconic"], form["caption"], *styles),
                                 (True, "Ouverture du classeur dans Excel…", WS_EX_APPWINDOW, WS_SYSMENU))
            self.assertEqual(call_list(records), launch_calls(self.workbook_path)[:2])
            self.assertGreaterEqual(len([t for t in refusal_ticks(records) if t >= sent]), 2, "alerts asked back")

    def test_a_workbook_already_open_is_brought_forward_and_not_opened_again(self):
        # Chosen again, in other letters: Windows' names do not differ by case.
        self.assert_brought_forward(self.workbook_path.replace(ROOT, ROOT.upper()))

    def assert_brought_forward(self, again, dropped=False):
        """The workbook opened by a first launch, then `again` (chosen, or `dropped` on the command
        line): its application comes forward with it, and nothing is opened a second time."""
        with LauncherRun(self.session, ARCH) as first:
            self.driver(["wait-dialog", 30000], ["choose", self.workbook_path])
            self.assertEqual(first.wait(60), 0)
        if dropped:
            with LauncherRun(self.session, ARCH, args=[again]) as run:
                self.assertEqual(run.wait(60), 0)
                self.assertEqual(run.journal_records(settle=0.3), [], "no second application")
        else:
            self.assertEqual(self.launch(again), [], "no second application")
        records = first.journal_records(settle=0.3)
        calls = call_list(records)
        self.assertEqual(calls[:len(launch_calls(self.workbook_path))], launch_calls(self.workbook_path))
        self.assertEqual(calls[len(launch_calls(self.workbook_path)):], [
            ("Workbook.Application", "get", 1033, []), ("Application.Visible", "get", 1033, []),
            ("Application.Hwnd", "get", 1033, []), ("Workbook.Activate", "method", 1033, [])])
        # In front by the launcher's hand-over, while the launcher was still shown.
        self.assertIn(("front", "activate", "self", "launcher=shown"), standin.events(records))
        front = self.driver.one("foreground")
        self.assertEqual((front["class"], front["window"]["pid"]), (STANDIN_CLASS, standin.pids(records)[0]))

    def test_a_workbook_someone_else_has_open_comes_up_read_only_with_a_notice(self):
        # A colleague's instance, on another computer: this desktop's table does not list it.
        with self.user_instance(self.workbook_path, env={"STANDIN_NO_ROT": "1"}):
            records, box = self.launch_failing(self.workbook_path, code=0)
        self.assertEqual(box["text"].split("\n"), [HELD_ELSEWHERE, "", "Vos modifications devront être enregistrées "
                                                                        "sous un autre nom."])
        self.assertIsNone(box["owner"], "the launcher is minimised: the box stands alone")
        self.assertEqual(call_list(records), launch_calls(self.workbook_path, held=True))
        self.assertIn(("Workbook.ReadOnly", True), [(r.member, r.ok) for r in standin.results(records)])

    def test_a_read_only_file_opens_read_only_without_a_word(self):
        self.session.run(["cmd", "/c", "attrib", "+r", self.workbook_path], check=True)
        try:
            self.assertEqual(call_list(self.launch(self.workbook_path)), launch_calls(self.workbook_path))
        finally:
            self.session.run(["cmd", "/c", "attrib", "-r", self.workbook_path], check=True)

    def inject_in_each_member(self, variable, crashed):
        """Each member failing (or the application dying in it) in turn: the steps after it are made
        as far as they can be; a launch that leaves the workbook unopened, or its macros not run, says
        so, exit code 1."""
        expected = launch_calls(self.workbook_path)
        members = [m for m, *_ in expected]
        unopened = ("Workbook.RunAutoMacros", "Workbook.ReadOnly")
        for member in ("Application.Create", "Application.DisplayAlerts", "Application.Visible", "Application.Hwnd",
                       "Application.Workbooks", "Workbooks.Open", "Workbook.RunAutoMacros"):
            with self.subTest(member=member):
                if member == "Application.Create":
                    made, message = [], NOT_STARTED
                elif crashed:
                    # Up to the crash the calls are made; then the server is gone, so the later steps
                    # fail on the client side and reach it no more. An instance never shown did
                    # not start; a later crash leaves the workbook unopened (unless it was done).
                    made = expected[:members.index(member) + 1]
                    message = (NOT_STARTED if members.index(member) <= members.index("Application.Visible") else
                               MACROS_NOT_RUN if member == "Workbook.RunAutoMacros" else NOT_OPENED)
                elif member == "Application.Visible":
                    # An instance nobody can see is told to quit.
                    made, message = expected[:2] + [("Application.Quit", "method", 1033, [])], NOT_STARTED
                elif member == "Application.DisplayAlerts":
                    made, message = expected + expected[-1:], None  # asked back once more, at the very end
                elif member == "Application.Workbooks":
                    made, message = without(expected, "Workbooks.Open", *unopened), NOT_OPENED
                elif member == "Workbooks.Open":
                    made, message = without(expected, *unopened), NOT_OPENED
                else:
                    made, message = expected, MACROS_NOT_RUN if member == "Workbook.RunAutoMacros" else None
                # The instance told to quit ends in its own time, after the launcher.
                quit_asked = not crashed and member == "Application.Visible"
                records, box = self.launch_failing(
                    self.workbook_path, env={variable: member}, expect_box=message is not None,
                    until=(lambda records: ("exit",) in standin.events(records)) if quit_asked else None)
                self.assertEqual(call_list(records), made)
                if message:
                    self.assertEqual(box["text"].split("\n")[0], message)
                if crashed:
                    self.assertIn(("crash", member), standin.events(records))
                elif member == "Application.Visible":
                    self.assertIn(("exit",), standin.events(records), "the instance told to quit has ended")
                self.close_standins()

    def test_each_member_failing_in_turn(self):
        self.inject_in_each_member("STANDIN_FAIL", crashed=False)

    def test_each_member_crashing_in_turn(self):
        self.inject_in_each_member("STANDIN_CRASH", crashed=True)

    def test_a_workbook_open_through_another_drive_letter_is_brought_forward(self):
        # Under Wine both names reach the same Unix file: one volume serial and file id, once the
        # mount manager knows the letter (before that, the serial is 0: no identity).
        drive = self.session.prefix / "dosdevices" / "q:"
        drive.symlink_to(self.root)
        self.addCleanup(self.session.restart_server)
        self.addCleanup(drive.unlink)
        self.session.restart_server()
        self.assert_brought_forward(r"Q:\Été données\é.xls", dropped=True)

    def test_a_workbook_a_hidden_instance_holds_opens_read_only_in_a_new_one_with_the_notice(self):
        # Left hidden by another program's automation: brought forward, it would come into nothing.
        journal = self.root / "journal-cache.txt"
        journal.unlink(missing_ok=True)
        holder, pid = standin.start_user_instance(self.session, journal, self.workbook_path, {"STANDIN_HIDDEN": "1"})
        try:
            records, box = self.launch_failing(self.workbook_path, code=0)
        finally:
            self.session.run(["taskkill", "/PID", str(pid)])
            holder.wait(timeout=patience.seconds(15))
        self.assertEqual(box["text"].split("\n")[0], HELD_ELSEWHERE)
        self.assertEqual(call_list(records), launch_calls(self.workbook_path, held=True))
        self.assertEqual(call_list(standin.parse_journal(str(journal))),
                         [("Workbook.Application", "get", 1033, []), ("Application.Visible", "get", 1033, [])])

    def test_a_workbook_opened_read_only_that_nobody_holds_gets_no_notice(self):
        # A write-reservation password, a folder without write right: nothing the user needs telling.
        records = self.launch(self.workbook_path, env={"STANDIN_OPEN_READ_ONLY": "1"})
        self.assertEqual(call_list(records), launch_calls(self.workbook_path))

    def test_a_close_or_a_log_off_during_a_launch_ends_it_once_the_call_under_way_returns(self):
        # The session's end is asked first, and another program or the user may still refuse it:
        # only its end stops a launch. A call accepted (a long Open) is let finish, then no macros.
        # Each leaves its event (the Restart Manager's close, lParam ENDSESSION_CLOSEAPP, its own).
        query = ["send", "quben.Form3", WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF]
        interrupted = without(launch_calls(self.workbook_path), "Workbook.RunAutoMacros")
        for name, during, action, code, calls, logged in (
                ("close", "Workbooks.Open", [["close", "quben.Form3"]], 1, interrupted, [302]),
                ("log-off", "Workbooks.Open", [query, ["send", "quben.Form3", WM_ENDSESSION, 1, ENDSESSION_LOGOFF]],
                 1, interrupted, [303]),
                ("Windows' close", "Workbooks.Open",
                 [query, ["send", "quben.Form3", WM_ENDSESSION, 1, ENDSESSION_CLOSEAPP]], 1, interrupted, [304]),
                ("refused log-off", None, [query, ["send", "quben.Form3", WM_ENDSESSION, 0, ENDSESSION_LOGOFF]],
                 0, launch_calls(self.workbook_path), [])):
            with self.subTest(name), LauncherRun(self.session, ARCH, env={
                    **WINEDEBUG, "STANDIN_BUSY_AFTER_VISIBLE_MS": "1500", "STANDIN_OPEN_MS": "2000"}) as run:
                self.driver(["wait-dialog", 30000], ["choose", self.workbook_path])
                self.wait_for_journal(run, *(("call", during) if during else ("rejected",)))
                self.driver(*action)
                self.assertEqual(run.wait(30), code)
                # Alerts given back last, no message (tearDown).
                self.assertEqual(call_list(run.journal_records(settle=0.3)), calls)
                self.assertEqual([event_id for _, event_id, _ in events(run.wine_log())], logged)
                self.close_standins()

    def test_an_application_slow_to_register_finds_the_launcher_answering_and_out_of_its_way(self):
        # It shows a window first (a safe-mode prompt): the launcher's window keeps answering, and
        # minimises after 5 s, before the creation returns.
        with LauncherRun(self.session, ARCH, env={"STANDIN_REGISTER_AFTER_MS": "7000"}) as run:
            self.driver(["wait-dialog", 30000], ["choose", self.workbook_path])
            self.wait_for_journal(run, "start")
            # The window answers while the creation waits: before the application has registered.
            self.driver(["send", "quben.Form3", 0, 0, 0])
            self.assertNotIn("registered", [e[0] for e in standin.events(run.journal_records())])
            self.assertEqual(run.wait(60), 0)
            records = run.journal_records(settle=0.3)
        self.assertIn(("registered", "launcher=minimised"), standin.events(records))
        self.assertEqual(call_list(records), launch_calls(self.workbook_path))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
