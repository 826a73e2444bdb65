"""Helpers for tests that use the stand-in spreadsheet COM server (tests/wine/standin).

register_standin()/unregister_standin() write and remove the class registration in a WineSession's
prefix. parse_journal() reads the journal that every stand-in process appends to (path from
STANDIN_JOURNAL). start_user_instance() starts one as a user would, on a workbook it then holds.

Journal events beyond calls and results (one line each: pid, event, tab-separated fields):
  rejected <wMethod> launcher=shown|minimised|hidden|none tick=<ms>
                                                            an automation call refused while busy, and
                                                            when (GetTickCount64, as the driver's)
  front <moment> self|other=<class> launcher=...            who is in front at hwnd, open, activate
                                                            (Workbook.Activate) and activated
"""

from __future__ import annotations

import os
import tempfile
import time
from typing import NamedTuple

from . import patience
from .wine_session import WineSession, build_dir, default_prefix, ensure_prefix, windows_path

APPLICATION_CLSID = "{00024500-0000-0000-C000-000000000046}"
GLOBAL_CLSID = "{00020812-0000-0000-C000-000000000046}"
PROGID = "Excel.Application"
CURVER = "Excel.Application.16"  # the installed version, where the launcher reads which policies apply
STANDIN_CLASS = "StandinSpreadsheet"  # its main window's class

# The server's failure scode inside EXCEPINFO, and what Invoke returns with it.
APPLICATION_ERROR = 0x800A03EC
DISP_E_EXCEPTION = 0x80020009

_CLASSES = r"HKEY_LOCAL_MACHINE\Software\Classes"
# Wine keeps separate Classes for 32- and 64-bit processes; a client of either kind must find the server.
_VIEWS = ("/reg:64", "/reg:32")

class Record(NamedTuple):
    pid: int
    event: str
    fields: list[str]


class CallRecord(NamedTuple):
    pid: int
    member: str  # "Object.Member"
    kind: str  # get | put | method
    lcid: int
    args: list[str]  # encoded: missing, bool:true, i4:1, bstr:text (unescaped), ...


class ResultRecord(NamedTuple):
    pid: int
    member: str
    ok: bool
    hresult: int  # 0 when ok


def _reg_quote(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _registration_file(exe_windows_path: str) -> str:
    server = _reg_quote('"' + exe_windows_path + '"')
    lines = ["Windows Registry Editor Version 5.00", ""]
    for clsid in (APPLICATION_CLSID, GLOBAL_CLSID):
        lines += [f"[{_CLASSES}\\CLSID\\{clsid}\\LocalServer32]", f"@={server}", ""]
    lines += [f"[{_CLASSES}\\CLSID\\{APPLICATION_CLSID}\\ProgID]", f"@={_reg_quote(PROGID)}", ""]
    lines += [f"[{_CLASSES}\\{PROGID}\\CLSID]", f"@={_reg_quote(APPLICATION_CLSID)}", ""]
    lines += [f"[{_CLASSES}\\{PROGID}\\CurVer]", f"@={_reg_quote(CURVER)}", ""]
    return "\r\n".join(lines)


def _import(session, content: str) -> None:
    # reg import takes a file; UTF-16 with a BOM keeps non-ASCII server paths intact.
    with tempfile.NamedTemporaryFile("wb", suffix=".reg", delete=False) as handle:
        handle.write(b"\xff\xfe" + content.encode("utf-16-le"))
    try:
        for view in _VIEWS:
            session.run(["reg", "import", windows_path(handle.name), view], check=True)
    finally:
        os.unlink(handle.name)


def register_standin(session) -> None:
    """Registers both classes and the ProgID with its CurVer (LocalServer32 = the quoted path of the
    64-bit stand-in) in both registry views of the session's prefix, once per server path."""
    server = windows_path(build_dir("x64") / "standin_spreadsheet.exe")
    stamp = session.prefix / ".quben-standin"
    if stamp.exists() and stamp.read_text() == f"{server}|{CURVER}":
        return
    _import(session, _registration_file(server))
    stamp.write_text(f"{server}|{CURVER}")


def unregister_standin(session) -> None:
    """Deletes both classes and the ProgID from both views; keys already absent are not an error."""
    # "reg delete", not an import of removals: under Wine that import leaves the 64-bit CLSID keys.
    keys = [f"{_CLASSES}\\CLSID\\{APPLICATION_CLSID}", f"{_CLASSES}\\CLSID\\{GLOBAL_CLSID}", f"{_CLASSES}\\{PROGID}"]
    for view in _VIEWS:
        for key in keys:
            session.run(["reg", "delete", key, "/f", view])
    (session.prefix / ".quben-standin").unlink(missing_ok=True)


def standin_session(display) -> WineSession:
    """A session in the test prefix on `display`, its server up and the stand-in registered."""
    session = WineSession(ensure_prefix(default_prefix()), display)
    session.start_server()
    register_standin(session)
    return session


def start_user_instance(session, journal, workbook: str, env=None, timeout: float = 15):
    """Starts a stand-in as a user opening `workbook` (a Windows path) would: visible, the workbook
    open, held against writing by others, and listed in the Running Object Table (not with
    STANDIN_NO_ROT=1 in `env`), or hidden with it (STANDIN_HIDDEN=1). `journal` is the Unix path of
    the test's journal. Returns (Popen, pid) once the instance is up; close it with taskkill /PID
    (its window closes)."""
    shown = ("visible", "false" if (env or {}).get("STANDIN_HIDDEN") == "1" else "true")
    before = set(pids(parse_journal(str(journal))))
    process = session.start([build_dir("x64") / "standin_spreadsheet.exe", workbook],
                            env={"STANDIN_JOURNAL": windows_path(journal), **(env or {})})
    deadline = time.monotonic() + patience.seconds(timeout)
    while time.monotonic() < deadline:
        records = parse_journal(str(journal))
        for pid in set(pids(records)) - before:
            if shown in events(records, pid):
                return process, pid
        time.sleep(0.1)
    process.kill()
    raise AssertionError("the stand-in did not show")


def close_standins(driver, timeout: float = 15) -> None:
    """Closes every stand-in window a launch left open (the user would close Excel)."""
    deadline = time.monotonic() + patience.seconds(timeout)
    while driver.one(["windows", STANDIN_CLASS])["windows"]:
        driver(["close", STANDIN_CLASS], ["sleep", 200])
        if time.monotonic() > deadline:
            raise AssertionError("the stand-in did not close")


def unescape(field: str) -> str:
    out = []
    i = 0
    while i < len(field):
        c = field[i]
        if c == "\\" and i + 1 < len(field):
            out.append({"t": "\t", "r": "\r", "n": "\n", "\\": "\\"}.get(field[i + 1], "\\" + field[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def parse_journal(path: str) -> list[Record]:
    """Every complete line of the journal; a missing journal reads as empty."""
    try:
        with open(path, "rb") as handle:
            data = handle.read().decode("utf-8")
    except FileNotFoundError:
        return []
    records = []
    for line in data.split("\n"):
        if not line:
            continue
        parts = line.split("\t")
        records.append(Record(int(parts[0]), parts[1], [unescape(p) for p in parts[2:]]))
    return records


def calls(records: list[Record]) -> list[CallRecord]:
    out = []
    for r in records:
        if r.event == "call":
            member, kind, lcid, *args = r.fields
            out.append(CallRecord(r.pid, member, kind, int(lcid.removeprefix("lcid=")), args))
    return out


def results(records: list[Record]) -> list[ResultRecord]:
    out = []
    for r in records:
        if r.event == "result":
            member, outcome = r.fields
            ok = outcome == "ok"
            out.append(ResultRecord(r.pid, member, ok, 0 if ok else int(outcome.split()[1], 16)))
    return out


def pids(records: list[Record], event: str = "start") -> list[int]:
    """Distinct pids with the given event, in journal order."""
    seen: list[int] = []
    for r in records:
        if r.event == event and r.pid not in seen:
            seen.append(r.pid)
    return seen


def events(records: list[Record], pid: int | None = None) -> list[tuple[str, ...]]:
    """(event, *fields) of one process (or all), handy for comparing whole sequences."""
    return [(r.event, *r.fields) for r in records if pid is None or r.pid == pid]
