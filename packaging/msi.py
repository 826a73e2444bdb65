"""Builds the Windows Installer package from packaging/quben.wxs with wixl (Debian's msitools).

wixl leaves three things that differ from run to run or that Windows Installer expects otherwise;
they are set here after it has run:
- the summary information's package code (a random GUID) and its creation and save times (the
  clock): pinned to a GUID derived from the packaged bytes and to the release date;
- its template names language 1033 whatever the .wxs says: set to the package's language, 1036;
- file and shortcut names have no 8.3 short name, and the launcher no file version: given them, as
  Windows Installer's tables want (the version is read from the executable's version block).
The product code is derived from the version, so a later version upgrades this one in place.
"""

import hashlib
import os
import re
import struct
import subprocess
import tempfile
import uuid
from datetime import datetime, timezone
from pathlib import Path

import olefile
import pefile

UPGRADE_CODE = uuid.UUID("CA10A237-15B1-4FCB-8D1D-2A443DDFAC39")  # the same in quben.wxs
PRODUCT_VERSION = "1.0.0"
LANGUAGE = 1036
# Release date: the time stamps inside the package (summary information, files in the cabinet).
RELEASE_TIME = int(os.environ.get("SOURCE_DATE_EPOCH", datetime(2026, 12, 1, tzinfo=timezone.utc).timestamp()))
LAUNCHER = "demarrer_quben.exe"
SHORTCUT = "Calcul d'incertitude QUBen"
PID_TEMPLATE, PID_REVISION, PID_CREATED, PID_SAVED = 7, 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64


class PackageError(RuntimeError):
    pass


def guid(value):
    return "{" + str(value).upper() + "}"


def product_code(version=PRODUCT_VERSION):
    return guid(uuid.uuid5(UPGRADE_CODE, version))


def build_msi(wxs, files, out, version=PRODUCT_VERSION):
    """Builds `out` from the .wxs and `files` (name in the package -> bytes). Either `out` is the
    whole package or, when anything fails, it is not there at all (PackageError). Another `version`
    makes the package of a later release, which replaces this one in place."""
    out = Path(out)
    out.unlink(missing_ok=True)
    # Staged beside `out`, so that the finished package moves into place in one step.
    with tempfile.TemporaryDirectory(prefix=".quben-msi-", dir=out.parent) as stage:
        stage = Path(stage)
        (stage / "quben.wxs").write_text(Path(wxs).read_text("utf-8"), "utf-8")
        for name, data in files.items():
            (stage / name).write_bytes(data)
            os.utime(stage / name, (RELEASE_TIME, RELEASE_TIME))
        built = stage / "quben.msi"
        run(["wixl", "--arch", "x86", "--define", f"ProductCode={product_code(version)}",
             "--define", f"ProductVersion={version}", "--output", built,
             stage / "quben.wxs"], stage)
        complete_rows(built, stage, file_version(files[LAUNCHER]))
        inputs = hashlib.sha256(Path(wxs).read_bytes() + version.encode())
        for name in sorted(files):
            inputs.update(name.encode() + b"\0" + files[name])
        pin_summary_information(built, guid(uuid.uuid5(UPGRADE_CODE, inputs.hexdigest())))
        os.replace(built, out)
    return out


def run(command, cwd):
    result = subprocess.run([str(word) for word in command], cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        raise PackageError(f"{Path(str(command[0])).name} failed ({result.returncode}):\n{result.stderr.strip()}")
    return result.stdout


def file_version(executable):
    pe = pefile.PE(data=executable, fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    fixed = pe.VS_FIXEDFILEINFO[0]
    return ".".join(str(part) for part in (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                           fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF))


def complete_rows(msi, stage, launcher_version):
    """Rewrites the launcher's File row (FileName, FileSize, Version, Language) and the shortcut's
    Name, through an exported table imported back."""
    rewrites = {
        "File": (rf"\t{LAUNCHER}\t(\d+)\t\t\t", rf"\tDEMARR~1.EXE|{LAUNCHER}\t\1\t{launcher_version}\t{LANGUAGE}\t"),
        "Shortcut": (rf"\t{SHORTCUT}\t", rf"\tCALCUL~1|{SHORTCUT}\t"),
    }
    for table, (row, completed) in rewrites.items():
        rows, count = re.subn(row, completed, run(["msiinfo", "export", msi, table], stage))
        if count != 1:
            raise PackageError(f"{table}: expected one row to complete, found {count}")
        idt = stage / f"{table}.idt"
        idt.write_text(rows, "cp1252", newline="")
        run(["msibuild", msi, "-i", idt], stage)


def pin_summary_information(msi, package_code):
    """Rewrites, in place and at the same length, the summary information's template, package code
    and time stamps."""
    ole = olefile.OleFileIO(str(msi), write_mode=True)
    stream = bytearray(ole.openstream("\x05SummaryInformation").read())
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    offsets = dict(struct.unpack_from("<II", stream, section + 8 + 8 * i) for i in range(count))
    filetime = (RELEASE_TIME + 11644473600) * 10_000_000
    replace_string(stream, section + offsets[PID_REVISION], package_code)
    replace_string(stream, section + offsets[PID_TEMPLATE], f"Intel;{LANGUAGE}")
    for pid in (PID_CREATED, PID_SAVED):
        at = section + offsets[pid]
        if struct.unpack_from("<I", stream, at)[0] != VT_FILETIME:
            raise PackageError(f"summary information: property {pid} is not a time")
        struct.pack_into("<Q", stream, at + 4, filetime)
    ole.write_stream("\x05SummaryInformation", bytes(stream))
    ole.close()


def replace_string(stream, at, text):
    kind, length = struct.unpack_from("<II", stream, at)
    data = text.encode("cp1252") + b"\0"
    if kind != VT_LPSTR or length != len(data):
        raise PackageError(f"summary information: cannot put {text!r} in place of a {length}-byte value")
    stream[at + 8:at + 8 + length] = data
