"""End-to-end checks of the stand-in spreadsheet COM server under Wine, driven by bench/minimal_client.

Needs the MinGW builds: the x64 directory holding standin_spreadsheet.exe, minimal_client.exe,
standin_selftest.exe and standin_global_probe.exe (QUBEN_WINDOWS_X64_BIN, default
build/windows-x64/tests/wine/standin) and the x86 one for the 32-bit client (QUBEN_WINDOWS_X86_BIN).
Uses QUBEN_TEST_PREFIX (an initialised prefix whose wineserver the caller runs) or builds its own prefix.
Missing executables skip the tests unless QUBEN_REQUIRE_WINE_TESTS=1.
"""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "harness"))
import standin  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
X64_BIN = os.environ.get("QUBEN_WINDOWS_X64_BIN", os.path.join(REPO, "build/windows-x64/tests/wine/standin"))
X86_BIN = os.environ.get("QUBEN_WINDOWS_X86_BIN", os.path.join(REPO, "build/windows-x86/tests/wine/standin"))
SERVER = os.path.join(X64_BIN, "standin_spreadsheet.exe")
CLIENTS = {"x64": os.path.join(X64_BIN, "minimal_client.exe"), "x86": os.path.join(X86_BIN, "minimal_client.exe")}
SELFTEST = os.path.join(X64_BIN, "standin_selftest.exe")
GLOBAL_PROBE = os.path.join(X64_BIN, "standin_global_probe.exe")

OK = "0x00000000"
RPC_S_CALL_FAILED = "0x800706BE"
ALL_STEPS = ["CoInitializeEx", "CoCreateInstance", "DisplayAlerts", "Visible", "Workbooks", "Open", "RunAutoMacros"]


def wait_for(predicate, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


class Wine:
    """A prefix, a display and a persistent wineserver for the duration of the tests."""

    def __init__(self) -> None:
        self.tmp = tempfile.mkdtemp(prefix="standin-test-")
        shared = os.environ.get("QUBEN_TEST_PREFIX")
        self.own_prefix = not shared
        self.env = dict(os.environ, WINEPREFIX=shared or os.path.join(self.tmp, "prefix"), LANG="C.UTF-8",
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.xvfb = None
        try:
            if not self.env.get("DISPLAY"):
                self._start_display()
            if self.own_prefix:
                self._make_prefix()
        except BaseException:
            self.close()
            raise

    def _make_prefix(self) -> None:
        self.run(["wineboot", "--init"], program=True, timeout=120)
        # The services started during wineboot predate the RpcSs registration, so COM activation would
        # hang until the server is restarted.
        subprocess.run(["wineserver", "-k"], env=self.env)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        # Without a window manager, Wine waits ~2 s on every hide unless windows are unmanaged.
        self.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"])

    def _start_display(self) -> None:
        for number in range(55, 60):
            if not os.path.exists(f"/tmp/.X{number}-lock"):
                self.xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.env["DISPLAY"] = f":{number}"
                if wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{number}"), 10):
                    return
                self.xvfb.kill()
        raise RuntimeError("no free X display among :55 to :59")

    def run(self, args, extra_env=None, timeout=60, program=False) -> subprocess.CompletedProcess:
        """Runs a Windows command; output goes to files because COM servers inherit it and outlive the call."""
        command = list(args) if program else ["wine", *args]
        with tempfile.TemporaryFile(dir=self.tmp) as out, tempfile.TemporaryFile(dir=self.tmp) as err:
            completed = subprocess.run(command, stdout=out, stderr=err, env={**self.env, **(extra_env or {})},
                                       timeout=timeout)
            out.seek(0)
            err.seek(0)
            completed.stdout = out.read().decode("utf-8", "replace")
            completed.stderr = err.read().decode("utf-8", "replace")
        return completed

    def close(self) -> None:
        if self.own_prefix:
            subprocess.run(["wineserver", "-k"], env=self.env)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(10)
        shutil.rmtree(self.tmp, ignore_errors=True)


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
    wine: Wine

    @classmethod
    def setUpClass(cls):
        needed = [SERVER, CLIENTS["x64"], SELFTEST, GLOBAL_PROBE]
        missing = [path for path in needed if not os.path.exists(path)]
        if missing:
            message = "not built: " + ", ".join(missing)
            if os.environ.get("QUBEN_REQUIRE_WINE_TESTS") == "1":
                raise RuntimeError(message)
            raise unittest.SkipTest(message)
        cls.wine = Wine()
        standin.register(cls.wine.run, standin.windows_path(SERVER))

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def setUp(self):
        self.dir = tempfile.mkdtemp(dir=self.wine.tmp)
        self.journal = os.path.join(self.dir, "journal.txt")
        self.env = {"STANDIN_JOURNAL": standin.windows_path(self.journal)}
        self.background = []
        self.addCleanup(self._close_servers)

    def _close_servers(self):
        """Closes every stand-in this test started, politely first so that it can journal its exit."""
        for pid in self.running():
            self.wine.run(["taskkill", "/PID", str(pid)])
        if not wait_for(lambda: not self.running(), 10):
            for pid in self.running():
                self.wine.run(["taskkill", "/F", "/PID", str(pid)])
        for process in self.background:
            process.wait(10)

    def records(self):
        return standin.parse_journal(self.journal)

    def running(self):
        records = self.records()
        ended = set(standin.pids(records, "exit")) | set(standin.pids(records, "crash"))
        return [pid for pid in standin.pids(records) if pid not in ended]

    def workbook(self, name, content="cells\n"):
        path = os.path.join(self.dir, name)
        with open(path, "w", encoding="utf-8", newline="") as handle:
            handle.write(content)
        return path

    def client(self, workbook, password, arch="x64", **fault_env):
        completed = self.wine.run([CLIENTS[arch], standin.windows_path(workbook), password], {**self.env, **fault_env})
        self.assertEqual(completed.returncode, 0, completed.stderr)
        return [tuple(line.split(" ")) for line in completed.stdout.splitlines()]

    def assert_steps(self, lines, last_step, last_hresult):
        steps = ALL_STEPS[: ALL_STEPS.index(last_step) + 1]
        self.assertEqual(lines, [(step, OK) for step in steps[:-1]] + [(last_step, last_hresult)])

    def test_selftest_in_process(self):
        completed = self.wine.run([SELFTEST])
        self.assertEqual(completed.returncode, 0, completed.stdout)
        self.assertRegex(completed.stdout, r"(?m)^\d+ passed, 0 failed\r?$")

    def test_full_sequence_is_journaled_and_server_outlives_client_while_visible(self):
        content = "first\r\npassword=Sésame\r\n"
        book = self.workbook("clé été.xlsx", content)
        self.assert_steps(self.client(book, "Sésame"), "RunAutoMacros", OK)

        records = self.records()
        [pid] = standin.pids(records)
        open_args = ["bstr:" + standin.windows_path(book), "missing", "missing", "missing", "bstr:Sésame"]
        expected = [
            ("start", "mode=embedding"),
            ("create", "Application"),
            ("result", "Application.Create", "ok"),
            ("call", "Application.DisplayAlerts", "put", "lcid=1033", "bool:false"),
            ("result", "Application.DisplayAlerts", "ok"),
            ("call", "Application.Visible", "put", "lcid=1033", "bool:true"),
            ("visible", "true"),
            ("result", "Application.Visible", "ok"),
            ("call", "Application.Workbooks", "get", "lcid=1033"),
            ("result", "Application.Workbooks", "ok"),
            ("call", "Workbooks.Open", "method", "lcid=1033", *open_args, *["missing"] * 10),
            ("result", "Workbooks.Open", "ok"),
            ("call", "Workbook.RunAutoMacros", "method", "lcid=1033", "i4:1"),
            ("result", "Workbook.RunAutoMacros", "ok"),
        ]
        self.assertEqual(standin.events(records, pid), expected)
        with open(book, encoding="utf-8", newline="") as handle:
            self.assertEqual(handle.read(), content)

        time.sleep(0.5)
        self.assertEqual(self.running(), [pid], "a visible server must stay after its client has gone")
        self._close_servers()
        self.assertEqual(standin.events(self.records(), pid)[len(expected):], [("visible", "false"), ("exit",)])

    def test_each_creation_starts_its_own_process_for_32_and_64_bit_clients(self):
        if not os.path.exists(CLIENTS["x86"]):
            self.skipTest("x86 client not built: " + CLIENTS["x86"])
        book = self.workbook("plain.xlsx")
        self.assert_steps(self.client(book, "", arch="x86"), "RunAutoMacros", OK)
        self.assert_steps(self.client(book, "", arch="x64"), "RunAutoMacros", OK)
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
        self.assert_steps(self.client(os.path.join(self.dir, "absent.xlsx"), ""), "Open", "0x80020009")
        folder = os.path.join(self.dir, "folder.xlsx")
        os.mkdir(folder)
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

    def test_injected_crash_then_a_new_creation_still_works(self):
        book = self.workbook("plain.xlsx")
        self.assert_steps(self.client(book, "", STANDIN_CRASH="Workbooks.Open"), "Open", RPC_S_CALL_FAILED)
        records = self.records()
        self.assertEqual(standin.events(records)[-1], ("crash", "Workbooks.Open"))
        self.assertEqual(standin.pids(records, "exit"), [])
        self.assert_steps(self.client(book, ""), "RunAutoMacros", OK)

    def test_user_started_instance_is_visible_and_serves_the_global_class(self):
        book = self.workbook("mine é.xlsx", "password=never asked\n")
        out = open(os.path.join(self.dir, "user.out"), "wb")
        self.addCleanup(out.close)
        self.background.append(subprocess.Popen(["wine", SERVER, standin.windows_path(book)], stdout=out, stderr=out,
                                                env={**self.wine.env, **self.env}))
        self.assertTrue(wait_for(lambda: ("visible", "true") in standin.events(self.records()), 15))
        [user_pid] = standin.pids(self.records())
        # A newer embedded instance must not capture the global class: it binds to the oldest process.
        self.assert_steps(self.client(self.workbook("other.xlsx"), ""), "RunAutoMacros", OK)

        probe = self.wine.run([GLOBAL_PROBE], self.env)
        self.assertEqual(probe.stdout.splitlines(), ["Global " + OK, "ActiveWorkbook mine é.xlsx " + OK])
        records = self.records()
        self.assertEqual([r.pid for r in records if r.event == "create" and r.fields == ["Global"]], [user_pid])
        self.assertEqual(standin.events(records, user_pid)[:2], [("start", "mode=user"), ("visible", "true")])


if __name__ == "__main__":
    unittest.main()
