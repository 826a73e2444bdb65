"""Runs the Win32 test driver in the test prefix and reads its JSON answers."""

import json

from . import patience
from .wine_session import build_dir


_NOT_STARTED = "ShellExecuteEx failed"


class DriverError(AssertionError):
    pass


class Driver:
    def __init__(self, session, arch="x64"):
        self.session = session
        self.exe = build_dir(arch) / "quben_driver.exe"

    def __call__(self, *commands, env=None, timeout=None, allow_error=False):
        """Runs the commands (each a list of words, or one word) in one driver process and returns
        the answers, one dict per command that ran. Their waits are stretched (patience.py); the
        process itself is given that long and a loaded machine's start-up on top, unless `timeout`."""
        words = []
        for command in commands:
            words += [command] if isinstance(command, str) else [str(word) for word in command]
        words, waits = patience.driver_words(words)
        timeout = timeout or waits + patience.seconds(30)
        code, out = self.session.run([self.exe, *words], env=env, timeout=timeout)
        if code != 0 and _NOT_STARTED in out and not out.lstrip().startswith("{"):
            # Now and then, on a busy machine, Wine fails to start the program at all (and says so
            # through its start program); no command has run, so they are all made again.
            code, out = self.session.run([self.exe, *words], env=env, timeout=timeout)
        answers = [json.loads(line) for line in out.splitlines() if line.startswith("{")]
        if (code != 0 or any("error" in a for a in answers)) and not allow_error:
            raise DriverError(f"driver failed ({code}) on {words}:\n{out}")
        return answers

    def one(self, *commands, **options):
        """The answer to the last command."""
        return self(*commands, **options)[-1]
