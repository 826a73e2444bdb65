"""One run of the launcher in the test prefix, with a fresh journal for the stand-in spreadsheet
application and nothing left behind afterwards."""

import tempfile
import time
from pathlib import Path

from . import patience, standin
from .wine_session import build_dir, windows_path


class LauncherRun:
    def __init__(self, session, arch, env=None, exe=None, args=(), cwd=None):
        """`args` go on the launcher's command line; `cwd` (a Unix folder) is its start folder."""
        self.session = session
        self.exe = exe or build_dir(arch) / "demarrer_quben.exe"
        self.args = list(args)
        self.cwd = cwd
        self.journal = Path(tempfile.mkdtemp(prefix="quben-journal-")) / "journal.txt"
        self.env = {"STANDIN_JOURNAL": windows_path(self.journal), **(env or {})}
        self.process = None

    def __enter__(self):
        self.session.clear_dialog_history()
        self.process = self.session.start([self.exe, *self.args], env=self.env, cwd=self.cwd)
        return self

    def wait(self, timeout):
        """The launcher's exit code; fails the test if it is still running after `timeout` s
        (stretched: patience.py)."""
        return self.process.wait(timeout=patience.seconds(timeout))

    def journal_records(self, settle=0.0, until=None):
        """What every stand-in process wrote; `settle` gives late writers time to finish, and
        `until(records)`, when given, is waited for (stretched: patience.py) before they are read
        for the last time."""
        if settle:
            time.sleep(settle)
        deadline = time.monotonic() + patience.seconds(15)
        while until and not until(standin.parse_journal(str(self.journal))) and time.monotonic() < deadline:
            time.sleep(0.1)
        return standin.parse_journal(str(self.journal))

    def wine_log(self):
        """What Wine's debug channels have printed so far, for the launcher and what it started."""
        return self.process.wine_log.read_text("utf-8", "replace")

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        # Stand-in windows left visible by a launch are closed by ending the prefix's processes.
        return False
