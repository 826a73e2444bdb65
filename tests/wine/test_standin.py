"""End-to-end checks of the stand-in spreadsheet COM server under Wine, driven by bench/minimal_client.

Needs the MinGW builds under QUBEN_BUILD_ROOT (default build/): windows-x64 with standin_spreadsheet.exe,
minimal_client.exe, standin_selftest.exe and standin_global_probe.exe, and windows-x86 for the 32-bit
client. Uses the prefix QUBEN_TEST_PREFIX if set, else makes one in a temporary folder.
Missing executables skip the tests unless QUBEN_REQUIRE_WINE_TESTS=1.
"""

import os
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import patience, standin  # noqa: E402
from harness.wine_session import WineSession, Xvfb, build_dir, ensure_prefix, windows_path  # noqa: E402

SERVER = build_dir("x64") / "standin_spreadsheet.exe"
CLIENTS = {"x64": build_dir("x64") / "minimal_client.exe", "x86": build_dir("x86") / "minimal_client.exe"}
SELFTEST = build_dir("x64") / "standin_selftest.exe"
GLOBAL_PROBE = build_dir("x64") / "standin_global_probe.exe"
ROT_PROBE = build_dir("x64") / "standin_rot_probe.exe"
DRIVER_CHECKS = build_dir("x64") / "quben_driver_win_tests.exe"

OK = "0x00000000"
RPC_S_CALL_FAILED = "0x800706BE"
RPC_E_CALL_REJECTED = "0x80010001"
MK_E_UNAVAILABLE = "0x800401E3"
# The reference client's steps: it brings the window to the front once shown, before the workbook opens,
# and puts the alerts back after the macros.
ALL_STEPS = ["CoInitializeEx", "CoCreateInstance", "DisplayAlerts", "Visible", "Hwnd", "Workbooks", "Open",
             "RunAutoMacros", "DisplayAlerts"]


def wait_for(predicate, timeout=10.0):
    deadline = time.monotonic() + patience.seconds(timeout)
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def without_front(events):
    """Where the window stands is journaled as it happens; the launch tests check it, not these."""
    return [e for e in events if e[0] != "front"]


class JournalParsingTest(unittest.TestCase):
    def test_fields_are_unescaped_and_calls_split(self):
        with tempfile.NamedTemporaryFile("wb", delete=False) as handle:
            handle.write("12\tcall\tWorkbooks.Open\tmethod\tlcid=1036\tbstr:C:\\\\d\\tx\\né\tmissing\n"
                         "12\tresult\tWorkbooks.Open\tfail 0x80020009\n13\texit\n".encode("utf-8"))
        try:
            records = standin.parse_journal(handle.name)
        finally:
            os.unlink(handle.name)
        self.assertEqual([r.event for r in records], ["call", "result", "exit"])
        self.assertEqual(standin.calls(records),
                         [standin.CallRecord(12, "Workbooks.Open", "method", 1036, ["bstr:C:\\d\tx\né", "missing"])])
        self.assertEqual(standin.results(records), [standin.ResultRecord(12, "Workbooks.Open", False, 0x80020009)])
        self.assertEqual(standin.pids(records, "exit"), [13])


class StandinTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        missing = [str(path) for path in (SERVER, CLIENTS["x64"], SELFTEST, GLOBAL_PROBE, ROT_PROBE) if not path.exists()]
        if missing:
            message = "not built: " + ", ".join(missing)
            if os.environ.get("QUBEN_REQUIRE_WINE_TESTS") == "1":
                raise RuntimeError(message)
            raise unittest.SkipTest(message)
        cls.tmp = Path(tempfile.mkdtemp(prefix="standin-test-"))
        shared = os.environ.get("QUBEN_TEST_PREFIX")
        cls.display = Xvfb(1024, 768)
        cls.session = WineSession(ensure_prefix(shared or cls.tmp / "prefix"), cls.display)
        cls.session.start_server()
        standin.register_standin(cls.session)

    @classmethod
    def tearDownClass(cls):
        cls.session.stop()
        cls.display.close()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(dir=self.tmp))
        self.journal = self.dir / "journal.txt"
        self.env = {"STANDIN_JOURNAL": windows_path(self.journal)}
        self.background = []
        self.addCleanup(self._close_servers)

    def _close_servers(self):
        """Closes every stand-in this test started, politely first so that it can journal its exit."""
        for pid in self.running():
            self.session.run(["taskkill", "/PID", str(pid)])
        if not wait_for(lambda: not self.running(), 10):
            for pid in self.running():
                self.session.run(["taskkill", "/F", "/PID", str(pid)])
        for process in self.background:
            process.wait(10)

    def records(self):
        return standin.parse_journal(str(self.journal))

    def running(self):
        records = self.records()
        ended = set(standin.pids(records, "exit")) | set(standin.pids(records, "crash"))
        return [pid for pid in standin.pids(records) if pid not in ended]

    def workbook(self, name, content="cells\n"):
        path = self.dir / name
        path.write_bytes(content.encode("utf-8"))
        return path

    def client(self, workbook, password, arch="x64", **fault_env):
        code, text = self.session.run([CLIENTS[arch], windows_path(workbook), password], env={**self.env, **fault_env})
        self.assertEqual(code, 0, text)
        return [tuple(line.split(" ")) for line in text.splitlines()]

    def probe(self, *args, **env):
        """standin_rot_probe's lines as (step and value, hresult)."""
        args = [windows_path(a) if isinstance(a, Path) else a for a in args]
        code, text = self.session.run([ROT_PROBE, *args], env={**self.env, **env})
        self.assertEqual(code, 0, text)
        return [tuple(line.rsplit(" ", 1)) for line in text.splitlines()]

    def user_instance(self, book, **env):
        process, pid = standin.start_user_instance(self.session, self.journal, windows_path(book), env)
        self.background.append(process)
        return pid

    def assert_exited(self, pid):
        self.assertTrue(wait_for(lambda: pid in standin.pids(self.records(), "exit"), 10), "the process must end")
        self.assertEqual(standin.events(self.records(), pid)[-1], ("exit",))

    def assert_steps(self, lines, last_step, last_hresult):
        steps = ALL_STEPS[: len(ALL_STEPS) - ALL_STEPS[::-1].index(last_step)]
        self.assertEqual(lines, [(step, OK) for step in steps[:-1]] + [(last_step, last_hresult)])

    def test_selftest_in_process(self):
        code, text = self.session.run([SELFTEST], timeout=patience.seconds(20))
        self.assertEqual(code, 0, text)
        self.assertRegex(text, r"(?m)^\d+ passed, 0 failed\r?$")

    def test_the_drivers_window_checks(self):
        code, text = self.session.run([DRIVER_CHECKS], timeout=patience.seconds(30))
        self.assertEqual(code, 0, text)

    def test_full_sequence_is_journaled_and_server_outlives_client_while_visible(self):
        content = "first\r\npassword=Sésame\r\n"
        book = self.workbook("clé été.xlsx", content)
        self.assert_steps(self.client(book, "Sésame"), "DisplayAlerts", OK)

        records = self.records()
        [pid] = standin.pids(records)
        open_args = ["bstr:" + windows_path(book), "missing", "missing", "missing", "bstr:Sésame"]
        expected = [
            ("start", "mode=embedding"),
            ("create", "Application"),
            ("result", "Application.Create", "ok"),
            ("call", "Application.DisplayAlerts", "put", "lcid=1033", "bool:false"),
            ("result", "Application.DisplayAlerts", "ok"),
            ("call", "Application.Visible", "put", "lcid=1033", "bool:true"),
            ("visible", "true"),
            ("result", "Application.Visible", "ok"),
            ("call", "Application.Hwnd", "get", "lcid=1033"),
            ("result", "Application.Hwnd", "ok"),
            ("call", "Application.Workbooks", "get", "lcid=1033"),
            ("result", "Application.Workbooks", "ok"),
            ("call", "Workbooks.Open", "method", "lcid=1033", *open_args),
            ("result", "Workbooks.Open", "ok"),
            ("call", "Workbook.RunAutoMacros", "method", "lcid=1033", "i4:1"),
            ("result", "Workbook.RunAutoMacros", "ok"),
            ("call", "Application.DisplayAlerts", "put", "lcid=1033", "bool:true"),
            ("result", "Application.DisplayAlerts", "ok"),
        ]
        self.assertEqual(without_front(standin.events(records, pid)), expected)
        self.assertEqual(book.read_bytes(), content.encode("utf-8"), "the workbook must never be written")

        time.sleep(0.5)
        self.assertEqual(self.running(), [pid], "a visible server must stay after its client has gone")
        self._close_servers()
        self.assertEqual(without_front(standin.events(self.records(), pid))[len(expected):],
                         [("visible", "false"), ("exit",)])

    def test_each_creation_starts_its_own_process_for_32_and_64_bit_clients(self):
        if not CLIENTS["x86"].exists():
            self.skipTest("x86 client not built: " + CLIENTS["x86"])
        book = self.workbook("plain.xlsx")
        self.assert_steps(self.client(book, "", arch="x86"), "DisplayAlerts", OK)
        self.assert_steps(self.client(book, "", arch="x64"), "DisplayAlerts", OK)
        records = self.records()
        started = standin.pids(records)
        self.assertEqual(len(started), 2)
        self.assertEqual(standin.pids(records, "create"), started)
        opened = [r.pid for r in standin.results(records) if r.member == "Workbooks.Open" and r.ok]
        self.assertEqual(opened, started)

    def test_wrong_password_is_refused(self):
        book = self.workbook("secret.xlsx", "password=Sésame\n")
        self.assert_steps(self.client(book, "sésame"), "Open", "0x80020009")
        last = standin.results(self.records())[-1]
        self.assertEqual((last.member, last.ok, last.hresult), ("Workbooks.Open", False, standin.DISP_E_EXCEPTION))

    def test_missing_file_and_directory_are_refused(self):
        self.assert_steps(self.client(self.dir / "absent.xlsx", ""), "Open", "0x80020009")
        folder = self.dir / "folder.xlsx"
        folder.mkdir()
        self.assert_steps(self.client(folder, ""), "Open", "0x80020009")

    def test_injected_failure_reaches_client_and_hidden_server_ends_when_released(self):
        lines = self.client(self.workbook("plain.xlsx"), "", STANDIN_FAIL="Workbooks.Count, Application.Visible")
        self.assert_steps(lines, "Visible", "0x80020009")
        self.assertTrue(wait_for(lambda: not self.running(), 5), "hidden and released: the server must end")
        [pid] = standin.pids(self.records())
        self.assertEqual(standin.events(self.records(), pid)[-3:],
                         [("call", "Application.Visible", "put", "lcid=1033", "bool:true"),
                          ("result", "Application.Visible", "fail 0x80020009"), ("exit",)])

    def test_injected_creation_failure(self):
        lines = self.client(self.workbook("plain.xlsx"), "", STANDIN_FAIL="Application.Create")
        self.assert_steps(lines, "CoCreateInstance", "0x80004005")
        self.assertTrue(wait_for(lambda: not self.running(), 5))

    def test_injected_crash_leaves_no_stale_global_registration(self):
        book = self.workbook("plain.xlsx")
        self.assert_steps(self.client(book, "", STANDIN_CRASH="Workbooks.Open"), "Open", RPC_S_CALL_FAILED)
        records = self.records()
        self.assertEqual(standin.events(records)[-1], ("crash", "Workbooks.Open"))
        self.assertEqual(standin.pids(records, "exit"), [])
        # The crashed process had the global class registered; a new server must be started for it.
        _, probe = self.session.run([GLOBAL_PROBE], env=self.env)
        self.assertEqual(probe.splitlines(), ["Global " + OK, "ActiveWorkbook (none) " + OK])
        self.assertTrue(wait_for(lambda: not self.running(), 5), "hidden and released: the server must end")
        self.assertEqual(len(standin.pids(self.records())), 2)

    def test_user_started_instance_is_visible_and_serves_the_global_class(self):
        book = self.workbook("mine é.xlsx", "password=never asked\n")
        self.background.append(self.session.start([SERVER, windows_path(book)], env=self.env))
        self.assertTrue(wait_for(lambda: ("visible", "true") in standin.events(self.records()), 15))
        [user_pid] = standin.pids(self.records())
        # A newer embedded instance must not capture the global class: it binds to the oldest process.
        self.assert_steps(self.client(self.workbook("other.xlsx"), ""), "DisplayAlerts", OK)

        _, probe = self.session.run([GLOBAL_PROBE], env=self.env)
        self.assertEqual(probe.splitlines(), ["Global " + OK, "ActiveWorkbook mine é.xlsx " + OK])
        records = self.records()
        self.assertEqual([r.pid for r in records if r.event == "create" and r.fields == ["Global"]], [user_pid])
        self.assertEqual(without_front(standin.events(records, user_pid))[:2], [("start", "mode=user"), ("visible", "true")])


    def test_a_workbook_is_found_by_file_moniker_from_another_process_until_its_application_quits(self):
        book = self.workbook("Classeur partagé.xlsx")
        pid = self.user_instance(book)
        # The table compares file monikers without regard to (ASCII) case.
        found = self.probe("rot", windows_path(book).replace("Classeur", "CLASSEUR"), "quit")
        self.assertEqual(found, [("GetObject", OK), ("FullName " + windows_path(book), OK), ("ReadOnly false", OK),
                                 ("Application", OK), ("Quit", OK)])
        self.assert_exited(pid)
        self.assertEqual(self.probe("rot", book), [("GetObject", MK_E_UNAVAILABLE)])

    def test_closing_the_window_ends_the_application_despite_its_table_entry(self):
        book = self.workbook("plain.xlsx")
        pid = self.user_instance(book)
        self.assertEqual(self.probe("rot", book)[0], ("GetObject", OK))
        self.session.run(["taskkill", "/PID", str(pid)])
        self.assert_exited(pid)
        self.assertEqual(self.probe("rot", book), [("GetObject", MK_E_UNAVAILABLE)])

    def test_a_workbook_held_by_another_instance_opens_read_only(self):
        book = self.workbook("plain.xlsx")
        self.user_instance(book)
        self.assertEqual(self.probe("rot", book)[2], ("ReadOnly false", OK))
        self.assertEqual(self.probe("open", book), [("CoCreateInstance", OK), ("Open", OK), ("ReadOnly true", OK),
                                                    ("Quit", OK)])

    def test_an_instance_elsewhere_holds_its_workbook_but_is_not_listed(self):
        book = self.workbook("plain.xlsx")
        self.user_instance(book, STANDIN_NO_ROT="1")
        self.assertEqual(self.probe("rot", book), [("GetObject", MK_E_UNAVAILABLE)])
        self.assertEqual(self.probe("open", book)[2], ("ReadOnly true", OK))

    def test_a_read_only_file_opens_read_only(self):
        book = self.workbook("plain.xlsx")
        book.chmod(0o444)  # Wine shows a file nobody may write as FILE_ATTRIBUTE_READONLY
        self.assertEqual(self.probe("open", book)[2], ("ReadOnly true", OK))

    def test_quit_then_release_ends_the_application(self):
        book = self.workbook("plain.xlsx")
        self.assertEqual(self.probe("open", book)[-1], ("Quit", OK))
        [pid] = standin.pids(self.records())
        self.assert_exited(pid)
        self.assertIn(("call", "Application.Quit", "method", "lcid=1033"), standin.events(self.records(), pid))

    def test_a_hidden_application_released_ends_though_the_table_lists_its_workbook(self):
        self.assertEqual(self.probe("open", self.workbook("plain.xlsx"), "keep")[-1], ("ReadOnly false", OK))
        [pid] = standin.pids(self.records())
        self.assert_exited(pid)

    def test_busy_from_its_start_it_refuses_automation_but_not_its_creation(self):
        lines = self.client(self.workbook("plain.xlsx"), "", STANDIN_BUSY_FROM_START_MS="8000")
        self.assertEqual(lines, [("CoInitializeEx", OK), ("CoCreateInstance", OK), ("DisplayAlerts", RPC_E_CALL_REJECTED)])
        [pid] = standin.pids(self.records())
        self.assert_exited(pid)
        events = standin.events(self.records(), pid)
        self.assertEqual([e[:3] for e in events if e[0] == "rejected"], [("rejected", "5", "launcher=none")])
        self.assertNotIn("call", [e[0] for e in events])


if __name__ == "__main__":
    unittest.main()
