"""Runs the Win32 test driver in the test prefix and reads its JSON answers."""

import json
import os
import select
import subprocess
import time

from . import patience
from .wine_session import build_dir


_NOT_STARTED = "ShellExecuteEx failed"


class DriverError(AssertionError):
    pass


class Driver:
    """The driver of a session: one process (`quben_driver serve`) takes every call, started again
    when it has ended (the session's processes ended), for a Wine process start costs more CPU than
    most commands."""

    def __init__(self, session, arch="x64"):
        self.session = session
        self.exe = build_dir(arch) / "quben_driver.exe"
        self.server = None

    def __call__(self, *commands, timeout=None, allow_error=False):
        """Runs the commands (each a list of words, or one word) as one list and returns the
        answers, one dict per command that ran. Their waits are stretched (patience.py); the list is
        given that long and a loaded machine's start-up on top, unless `timeout`."""
        words = []
        for command in commands:
            words += [command] if isinstance(command, str) else [str(word) for word in command]
        words, waits = patience.driver_words(words)
        timeout = timeout or waits + patience.seconds(30)
        code, out = self._served(words, timeout)
        if code != 0 and _NOT_STARTED in out and not out.lstrip().startswith("{"):
            # Now and then, on a busy machine, Wine fails to start the program at all (and says so
            # through its start program); no command has run, so they are all made again.
            code, out = self._served(words, timeout)
        answers = [json.loads(line) for line in out.splitlines() if line.startswith("{")]
        if (code != 0 or any("error" in a for a in answers)) and not allow_error:
            raise DriverError(f"driver failed ({code}) on {words}:\n{out}")
        return answers

    def one(self, *commands, **options):
        """The answer to the last command."""
        return self(*commands, **options)[-1]

    def _served(self, words, timeout):
        """The list's answers from the serving process, and its exit code; the process is ended
        when the list overruns `timeout`, as a driver of its own would be."""
        if self.server is None or self.server.poll() is not None:
            self.server, self.pending = self.session.serve([self.exe, "serve"]), b""
        self.server.stdin.write("\t".join(words).encode() + b"\n")
        self.server.stdin.flush()
        deadline, lines = time.monotonic() + timeout, []
        while True:
            while b"\n" not in self.pending:
                ready = select.select([self.server.stdout], [], [], max(0.0, deadline - time.monotonic()))[0]
                chunk = os.read(self.server.stdout.fileno(), 65536) if ready else None
                if not chunk:  # overrun, or the process ended (its start failed, the session ended)
                    self.server.kill()
                    self.server.wait()
                    self.server.stdin.close()  # a driver left in a command ends once it is done
                    if chunk is None:
                        raise subprocess.TimeoutExpired([self.exe, *words], timeout)
                    return 1, "\n".join(lines + [self.pending.decode("utf-8", "replace")])
                self.pending += chunk
            line, self.pending = self.pending.split(b"\n", 1)
            if line.startswith(b'{"end":'):
                return json.loads(line)["end"], "\n".join(lines)
            lines.append(line.decode("utf-8", "replace"))
