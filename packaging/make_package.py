"""Builds dist/quben-1.00-windows.zip from the two release executables: x86/ and x64/
demarrer_quben.exe, LISEZMOI.txt and SHA256SUMS. The archive is reproducible: fixed entry order,
dates and permissions, so the same executables always give the same bytes."""

import hashlib
import sys
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FIXED_DATE = (1980, 1, 1, 0, 0, 0)


def entry(archive, name, data):
    info = zipfile.ZipInfo(name, date_time=FIXED_DATE)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0
    info.external_attr = 0
    archive.writestr(info, data, compresslevel=9)


def main():
    build_root = Path(sys.argv[1]) if len(sys.argv) > 1 else REPO / "build"
    out = REPO / "dist" / "quben-1.00-windows.zip"
    files = {
        "x86/demarrer_quben.exe": (build_root / "windows-x86" / "demarrer_quben.exe").read_bytes(),
        "x64/demarrer_quben.exe": (build_root / "windows-x64" / "demarrer_quben.exe").read_bytes(),
        # Windows users open it with Notepad: UTF-8 with a byte-order mark and CRLF line ends.
        "LISEZMOI.txt": b"\xef\xbb\xbf" + (REPO / "packaging" / "LISEZMOI.txt").read_text("utf-8")
        .replace("\n", "\r\n").encode("utf-8"),
    }
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode("ascii")
    out.parent.mkdir(exist_ok=True)
    with zipfile.ZipFile(out, "w") as archive:
        for name in ("x86/demarrer_quben.exe", "x64/demarrer_quben.exe", "LISEZMOI.txt", "SHA256SUMS"):
            entry(archive, name, files[name])
    print(f"{out}  {out.stat().st_size} bytes  sha256 {hashlib.sha256(out.read_bytes()).hexdigest()}")


if __name__ == "__main__":
    main()
