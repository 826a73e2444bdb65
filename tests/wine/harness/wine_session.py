"""A Wine prefix and an X display of the tests' own, and ways to run Windows programs in them.

The prefix is made once per build tree and reused (its stamp file says it is complete). Tests that
run side by side each get a copy of it (QUBEN_TEMPLATE_PREFIX names the one to copy), so that none
sees another's registry, files or Windows processes. The display is a private Xvfb of the size a
test asks for. The user's own ~/.wine is never touched.
"""

import os
import select
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[3]
PREFIX_STAMP = ".quben-test-prefix"
FONTS = Path("/usr/share/wine/fonts")


def build_dir(arch):
    return Path(os.environ.get("QUBEN_BUILD_ROOT", REPO / "build")) / f"windows-{arch}"


def windows_path(path):
    """The Z: drive path Wine gives a Unix path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class Xvfb:
    """A virtual X display of a given size, for as long as the object lives. The server picks a
    free display number itself (-displayfd) and says which once it accepts clients: two tests
    starting at the same moment cannot pick the same one."""

    def __init__(self, width, height):
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
            os.close(write_end)
            self.number = int(_read_line(read_end, timeout=20, what="Xvfb's display number"))
        finally:
            os.close(read_end)
        self.name = f":{self.number}"

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.name, "-window", "root", str(path)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def _read_line(fd, timeout, what):
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        if not select.select([fd], [], [], max(0.0, deadline - time.monotonic()))[0]:
            raise RuntimeError(f"no {what} within {timeout} s")
        chunk = os.read(fd, 64)
        if not chunk:
            raise RuntimeError(f"no {what}: the program ended")
        data += chunk
    return data.decode().strip()


class WineSession:
    """Runs Windows programs in the test prefix on one display."""

    def __init__(self, prefix, display, extra_env=None):
        self.prefix = Path(prefix)
        self.display = display
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
            "DISPLAY": display.name if display else "",
        })
        self.env.pop("WINEARCH", None)
        if extra_env:
            self.env.update(extra_env)
        self.log_dir = Path(tempfile.mkdtemp(prefix="quben-wine-log-"))
        self._runs = 0
        self._serving = []

    @property
    def drive_c(self):
        return self.prefix / "drive_c"

    def _log_files(self, name):
        self._runs += 1
        stem = self.log_dir / f"{self._runs:03d}-{name}"
        return open(f"{stem}.out", "wb"), open(f"{stem}.err", "wb"), stem

    def run(self, args, timeout=60, env=None, check=False):
        """Runs a Windows command to its end. Output goes through files: a COM server started
        from it inherits the handles and would keep a pipe open."""
        out, err, stem = self._log_files(Path(str(args[0])).name)
        with out, err:
            result = subprocess.run(["wine", *map(str, args)], env={**self.env, **(env or {})}, stdout=out,
                                    stderr=err, timeout=timeout)
        text = Path(f"{stem}.out").read_bytes().decode("utf-8", "replace")
        if check and result.returncode != 0:
            raise RuntimeError(f"{args} failed ({result.returncode}): {text}"
                               f"{Path(f'{stem}.err').read_text(errors='replace')}")
        return result.returncode, text

    def start(self, args, env=None, cwd=None):
        """Starts a Windows program and returns its Popen (output to files, standard error's path in
        its `wine_log`). Wine gives the program `cwd` (a Unix folder) as its current folder."""
        out, err, stem = self._log_files(Path(str(args[0])).name)
        with out, err:
            process = subprocess.Popen(["wine", *map(str, args)], env={**self.env, **(env or {})}, stdout=out,
                                       stderr=err, cwd=cwd)
        process.wine_log = Path(f"{stem}.err")  # what Wine's debug channels print (WINEDEBUG)
        return process

    def serve(self, args):
        """Starts a Windows program that answers on its standard output what it is given on its
        standard input (pipes; standard error to a log file); the session ends it with the rest."""
        out, err, _ = self._log_files(Path(str(args[0])).name)
        with out, err:
            process = subprocess.Popen(["wine", *map(str, args)], env=self.env, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=err)
        self._serving.append(process)
        return process

    def set_window_colour(self, rgb):
        """The colour scheme's Window colour, read by programs started afterwards."""
        self.run(["reg", "add", r"HKCU\Control Panel\Colors", "/v", "Window", "/d", " ".join(map(str, rgb)), "/f"],
                 check=True)

    def clear_dialog_history(self):
        """The open-file dialog remembers the last folder; every test starts without it."""
        self.run(["reg", "delete", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32", "/f"])

    def start_server(self):
        subprocess.run(["wineserver", "-p"], env=self.env, check=False)

    def restart_server(self):
        """Ends every Windows process of the prefix and starts the wine server again: Wine's mount
        manager learns of a drive letter added since (a `dosdevices` link) only as it starts."""
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=30)
        self.start_server()

    def stop(self):
        """Ends every Windows process of the prefix and the wine server."""
        subprocess.run(["wineserver", "-k"], env=self.env, check=False, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=30)
        for process in self._serving:
            process.stdin.close()
            process.stdout.close()
            process.wait()
        # QUBEN_KEEP_WINE_LOGS=1 keeps what the programs printed, to look into a failure.
        if not os.environ.get("QUBEN_KEEP_WINE_LOGS"):
            shutil.rmtree(self.log_dir, ignore_errors=True)


# Files of a prefix that Wine only ever reads (programs, libraries, fonts, code pages): a copy of
# the prefix links them instead of copying them, 1.3 GB of them. Everything else (the registry,
# .ini files, stamps) is copied, since Wine rewrites some of those in place.
_SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb", ".com", ".vxd",
                    ".nls", ".fon", ".ttf", ".ttc", ".msstyles", ".mod", ".icm", ".ds"}


def copy_prefix(template, prefix):
    """Makes `prefix` a copy of the finished prefix `template`, linking the files Wine never writes."""
    template, prefix = Path(template), Path(prefix)
    shutil.rmtree(prefix, ignore_errors=True)
    partial = prefix.with_name(prefix.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    for folder, subfolders, files in os.walk(template):
        source = Path(folder)
        target = partial / source.relative_to(template)
        target.mkdir(parents=True, exist_ok=True)
        for name in subfolders + files:
            path = source / name
            if path.is_symlink():
                os.symlink(os.readlink(path), target / name)
            elif name in files and not (source == template and name == "wineserver"):
                if path.suffix.lower() in _SHARED_SUFFIXES:
                    os.link(path, target / name)
                else:
                    shutil.copy2(path, target / name)
        subfolders[:] = [d for d in subfolders if not (source / d).is_symlink()]
    partial.rename(prefix)  # complete, stamp included, or not there at all


def ensure_prefix(prefix):
    """Makes the test prefix once: 64-bit with 32-bit support, real fonts, no window manager; or,
    when QUBEN_TEMPLATE_PREFIX names such a prefix, a copy of that one."""
    prefix = Path(prefix)
    if (prefix / PREFIX_STAMP).exists():
        return prefix
    template = os.environ.get("QUBEN_TEMPLATE_PREFIX")
    if template and Path(template).resolve() != prefix.resolve() and (Path(template) / PREFIX_STAMP).exists():
        copy_prefix(template, prefix)
        return prefix
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.mkdir(parents=True)
    session = WineSession(prefix, None)
    subprocess.run(["wineboot", "--init"], env=session.env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)
    fonts = prefix / "drive_c" / "windows" / "Fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    for font in FONTS.glob("*"):
        shutil.copy(font, fonts / font.name)
    # Xvfb has no window manager: without this every hide waits for one.
    session.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], check=True)
    session.stop()
    (prefix / PREFIX_STAMP).write_text("ready\n")
    return prefix


def default_prefix():
    return Path(os.environ.get("QUBEN_TEST_PREFIX", REPO / "build" / "wine-test-prefix"))


def write_download_mark(path, zone, host_url=None):
    """Marks the file at `path` as Windows marks a download: its Zone.Identifier stream, which under
    Wine is a plain file of that name beside it. Returns that file."""
    stream = Path(path).with_name(Path(path).name + ":Zone.Identifier")
    lines = ["[ZoneTransfer]", f"ZoneId={zone}"] + ([f"HostUrl={host_url}"] if host_url else [])
    stream.write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))
    return stream
