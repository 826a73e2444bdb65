"""Builds the Windows Installer package from packaging/quben.wxs with wixl (Debian's msitools).

wixl leaves some things that differ from run to run or that Windows Installer expects otherwise;
they are set here after it has run:
- the summary information's creation and save times (the clock): pinned to the release date;
- its texts are UTF-8 bytes under a declared code page 1252: stored as cp1252, which is what Explorer
  and Windows Installer read them as;
- its template names a language: made language-neutral (Intel;0), because Group Policy skips a
  package whose template language is not the client's; ProductLanguage is 0 to match (ICE80: the
  product language must be one of the template's);
- the database's string pool has code page 0 (the machine's ANSI code page) whatever the .wxs
  says, while its strings are cp1252 bytes: declared 1252 through msibuild's _ForceCodepage;
- file and shortcut names have no 8.3 short name, and the launcher no file version: given them, as
  Windows Installer's tables want (the version is read from the executable's version block);
- MsiFileHash hashes every file, versioned ones too (ICE60): rows of files with a version dropped;
- the package code (a random GUID): set last, to a GUID derived from the finished database, every
  stream and every summary property but the package code itself, so that packages differing in any
  of those bytes never share a package code and the same inputs give the same package.
- the upgrade row finds a product of the same version too (VersionMaxInclusive; wixl has no
  AllowSameVersionUpgrades): the product code is derived from the package's content
  (make_package.py), so a rebuild of one version (signed after a test build, say) is another product
  that replaces the installed one in place, where a shared product code would refuse it (1638).
The version is the release's one, from the file VERSION (major.minor.build). Windows Installer
compares three fields: a later version, or a rebuild of this one, replaces this one in place; an
earlier version is refused (the downgrade row and its launch condition, error 1603).
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
VERSION_FILE = Path(__file__).resolve().parents[1] / "VERSION"
PRODUCT_VERSION = VERSION_FILE.read_text("ascii").strip()
# ProductVersion's fields as Windows Installer reads them: a fourth field is ignored, so two releases
# differing only there would be one version to the upgrade rows and two entries in Add/Remove Programs.
VERSION_LIMITS = (255, 255, 65535)
LANGUAGE = 1036  # of the launcher's version block, the language of its File row
CODEPAGE = 1252
TEMPLATE = "Intel;0"  # x86, language-neutral
# Release date: the time stamps inside the package (summary information, files in the cabinet).
RELEASE_TIME = int(os.environ.get("SOURCE_DATE_EPOCH", datetime(2026, 12, 1, tzinfo=timezone.utc).timestamp()))
LAUNCHER = "demarrer_quben.exe"
SHORTCUT = "Calcul d'incertitude QUBen"
PID_CODEPAGE, PID_TEMPLATE, PID_REVISION, PID_CREATED, PID_SAVED = 1, 7, 9, 12, 13
VT_I2, VT_LPSTR, VT_FILETIME = 2, 30, 64
SUMMARY = "\x05SummaryInformation"


class PackageError(RuntimeError):
    pass


def guid(value):
    return "{" + str(value).upper() + "}"


def product_code(version, content):
    """The product code of the package of `version` whose content (all it is made of but this code)
    has the digest `content`: packages that differ in anything never share one."""
    return guid(uuid.uuid5(UPGRADE_CODE, f"{version} {content}"))


def checked_version(version):
    """`version` when it is major.minor.build, plain decimal numbers within Windows Installer's
    ranges (255.255.65535); PackageError otherwise."""
    fields = version.split(".")
    if (len(fields) != len(VERSION_LIMITS)
            or not all(re.fullmatch(r"0|[1-9][0-9]{0,4}", field) for field in fields)
            or any(int(field) > limit for field, limit in zip(fields, VERSION_LIMITS))):
        raise PackageError(f"version {version!r} is not major.minor.build within 255.255.65535 "
                           "(Windows Installer ignores a fourth field)")
    return version


def build_msi(wxs, files, out, code, version=PRODUCT_VERSION):
    """Builds `out`, whose product code is `code`, from the .wxs and `files` (name in the package ->
    bytes). Either `out` is the whole package or, when anything fails, it is not there at all
    (PackageError). Another `version` makes the package of another release."""
    checked_version(version)
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
        run(["wixl", "--arch", "x86", "--define", f"ProductCode={code}",
             "--define", f"ProductVersion={version}", "--output", built,
             stage / "quben.wxs"], stage)
        complete_rows(built, stage, file_version(files[LAUNCHER]))
        drop_versioned_file_hashes(built, stage)
        pin_summary_information(built)
        write_summary(built, {**summary_properties(built), PID_REVISION: lpstr(package_code(built))})
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
    """Declares the string pool's code page, and rewrites the launcher's File row (FileName, FileSize,
    Version, Language), the shortcut's Name and the upgrade row's attributes, through an exported
    table imported back."""
    codepage = stage / "_ForceCodepage.idt"
    codepage.write_bytes(f"\r\n\r\n{CODEPAGE}\t_ForceCodepage\r\n".encode("ascii"))
    run(["msibuild", msi, "-i", codepage], stage)
    rewrites = {
        "File": (rf"\t{LAUNCHER}\t(\d+)\t\t\t", rf"\tDEMARR~1.EXE|{LAUNCHER}\t\1\t{launcher_version}\t{LANGUAGE}\t"),
        "Shortcut": (rf"\t{SHORTCUT}\t", rf"\tCALCUL~1|{SHORTCUT}\t"),
        # MigrateFeatures | VersionMaxInclusive: the same version, rebuilt, is replaced too.
        "Upgrade": (r"\t\t1\t\tWIX_UPGRADE_DETECTED", "\t\t513\t\tWIX_UPGRADE_DETECTED"),
    }
    for table, (row, completed) in rewrites.items():
        rows, count = re.subn(row, completed, run(["msiinfo", "export", msi, table], stage))
        if count != 1:
            raise PackageError(f"{table}: expected one row to complete, found {count}")
        idt = stage / f"{table}.idt"
        idt.write_text(rows, "cp1252", newline="")
        run(["msibuild", msi, "-i", idt], stage)


def drop_versioned_file_hashes(msi, stage):
    """Leaves in MsiFileHash only the rows of files without a version: Windows Installer compares
    versioned files by version, and ICE60 rejects a hash for one."""
    versioned = {row[0] for row in table_rows(msi, "File", stage) if row[4]}
    exported = run(["msiinfo", "export", msi, "MsiFileHash"], stage).replace("\r\n", "\n").split("\n")
    kept = [line for line in exported[3:] if line and line.split("\t")[0] not in versioned]
    idt = stage / "MsiFileHash.idt"
    idt.write_text("\r\n".join(exported[:3] + kept) + "\r\n", "cp1252", newline="")
    run(["msibuild", msi, "-i", idt], stage)


def table_rows(msi, table, stage):
    """The rows of `table` as lists of fields (the three header lines left out)."""
    exported = run(["msiinfo", "export", msi, table], stage).replace("\r\n", "\n")
    return [line.split("\t") for line in exported.split("\n")[3:] if line]


def package_code(msi):
    """The package code of the finished database: a GUID from every stream (by name) and every summary
    property except the package code, so that it does not depend on itself."""
    digest = hashlib.sha256()
    with olefile.OleFileIO(str(msi)) as ole:
        digest.update(ole.root.clsid.encode())  # the root storage's class: what says "a database"
        for name in sorted(ole.listdir()):
            if name != [SUMMARY]:
                data = ole.openstream(name).read()
                digest.update("/".join(name).encode("utf-8") + struct.pack("<Q", len(data)) + data)
    for pid, value in sorted(summary_properties(msi).items()):
        if pid != PID_REVISION:
            digest.update(struct.pack("<IQ", pid, len(value)) + value)
    return guid(uuid.uuid5(UPGRADE_CODE, digest.hexdigest()))


def summary_properties(msi):
    """The summary information's properties, {id: bytes of the typed value}."""
    with olefile.OleFileIO(str(msi)) as ole:
        stream = ole.openstream(SUMMARY).read()
    return read_properties(stream, struct.unpack_from("<I", stream, 44)[0])


def write_summary(msi, properties):
    """Replaces, in place, the summary information's properties with `properties`."""
    ole = olefile.OleFileIO(str(msi), write_mode=True)
    stream = ole.openstream(SUMMARY).read()
    section = struct.unpack_from("<I", stream, 44)[0]
    # olefile keeps a stream's size: the section, now shorter, is padded to it with zeros.
    ole.write_stream(SUMMARY, stream[:section] + write_section(properties, len(stream) - section))
    ole.close()


def pin_summary_information(msi):
    """Rewrites, in place, the summary information: its texts as cp1252, the template and the time
    stamps. The package code is left to be set from the result."""
    properties = summary_properties(msi)
    if properties.get(PID_CODEPAGE) != struct.pack("<Ih2x", VT_I2, CODEPAGE):
        raise PackageError(f"summary information: code page is not {CODEPAGE}")
    for pid, value in properties.items():
        if struct.unpack_from("<I", value)[0] == VT_LPSTR:
            length = struct.unpack_from("<I", value, 4)[0]
            properties[pid] = lpstr(value[8:8 + length].rstrip(b"\0").decode("utf-8"))
    properties[PID_TEMPLATE] = lpstr(TEMPLATE)
    filetime = (RELEASE_TIME + 11644473600) * 10_000_000
    for pid in (PID_CREATED, PID_SAVED):
        if struct.unpack_from("<I", properties[pid])[0] != VT_FILETIME:
            raise PackageError(f"summary information: property {pid} is not a time")
        properties[pid] = struct.pack("<IQ", VT_FILETIME, filetime)
    write_summary(msi, properties)


def read_properties(stream, section):
    """The section's properties as {id: bytes of the typed value}, in the order they are stored."""
    size, count = struct.unpack_from("<II", stream, section)
    entries = sorted((offset, pid) for pid, offset in
                     (struct.unpack_from("<II", stream, section + 8 + 8 * i) for i in range(count)))
    ends = [offset for offset, _ in entries[1:]] + [size]
    return {pid: stream[section + offset:section + end] for (offset, pid), end in zip(entries, ends)}


def lpstr(text):
    data = text.encode("cp1252") + b"\0"
    return struct.pack("<II", VT_LPSTR, len(data)) + data + b"\0" * (-len(data) % 4)


def write_section(properties, size):
    """A property section of exactly `size` bytes holding `properties`, each value 4-byte aligned."""
    offset = 8 + 8 * len(properties)
    entries, values = b"", b""
    for pid, value in properties.items():
        value += b"\0" * (-len(value) % 4)
        entries += struct.pack("<II", pid, offset + len(values))
        values += value
    body = entries + values
    if 8 + len(body) > size:
        raise PackageError("summary information: the rewritten section does not fit")
    return struct.pack("<II", size, len(properties)) + body + b"\0" * (size - 8 - len(body))
