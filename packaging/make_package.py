"""Builds the release of the version in VERSION (say 1.0.0) from the two executables, into dist/:
- quben-1.0.0-windows.zip: x86/ and x64/ demarrer_quben.exe, LISEZMOI.txt and SHA256SUMS;
- quben-1.0.0.msi: the Windows Installer package (packaging/quben.wxs, the x86 executable).
LISEZMOI.txt gets the version, the package's name and its codes written in (@VERSION@, @MSI@,
@PRODUCT_CODE@, @UPGRADE_CODE@). A version that is not major.minor.build within Windows Installer's
ranges, or executables whose version block says another, build nothing.
Both are reproducible: fixed entry order, dates, permissions and GUIDs, so the same executables
always give the same bytes. Given a certificate (packaging/signing.py), the executables are signed
before they are packed and the package after it is built; dist/ receives the files only when every
one of them is done, so a failure leaves dist/ as it was.
Usage: make_package.py [--release] [--check] [build_root [dist]]. --release makes a publishable
release: it refuses to build without a certificate and a time-stamp server (an unsigned or untimed
release must not go out); --check only says whether it could, and builds nothing."""

import hashlib
import os
import re
import sys
import tempfile
import zipfile
from pathlib import Path

import msi
import signing

REPO = Path(__file__).resolve().parents[1]
VERSION = msi.PRODUCT_VERSION
ZIP_NAME, MSI_NAME = f"quben-{VERSION}-windows.zip", f"quben-{VERSION}.msi"
FIXED_DATE = (1980, 1, 1, 0, 0, 0)
EXECUTABLES = ("x86/demarrer_quben.exe", "x64/demarrer_quben.exe")


def entry(archive, name, data):
    info = zipfile.ZipInfo(name, date_time=FIXED_DATE)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0
    info.external_attr = 0
    archive.writestr(info, data, compresslevel=9)


def readme():
    # Windows users open it with Notepad: UTF-8 with a byte-order mark and CRLF line ends.
    text = (REPO / "packaging" / "LISEZMOI.txt").read_text("utf-8")
    for name, value in {"@VERSION@": VERSION, "@MSI@": MSI_NAME, "@PRODUCT_CODE@": msi.product_code(VERSION),
                        "@UPGRADE_CODE@": msi.guid(msi.UPGRADE_CODE)}.items():
        text = text.replace(name, value)
    if left := re.findall(r"@[A-Z_]+@", text):
        raise msi.PackageError(f"LISEZMOI.txt: nothing to write for {', '.join(left)}")
    return b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8")


def installer_files(launcher):
    """What the installer package holds, given the bytes of the launcher it installs."""
    return {"demarrer_quben.exe": launcher, "LISEZMOI.txt": readme(),
            "icon.ico": (REPO / "assets" / "icon.ico").read_bytes()}


def write_zip(out, executables):
    files = {**executables, "LISEZMOI.txt": readme()}
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode("ascii")
    with zipfile.ZipFile(out, "w") as archive:
        for name in (*EXECUTABLES, "LISEZMOI.txt", "SHA256SUMS"):
            entry(archive, name, files[name])


def build_release(build_root, work):
    """Writes both release files into `work` and returns their paths."""
    executables = {name: (build_root / f"windows-{name.split('/')[0]}" / "demarrer_quben.exe").read_bytes()
                   for name in EXECUTABLES}
    for name, data in executables.items():  # a build left from another version
        if msi.file_version(data) != f"{VERSION}.0":
            raise msi.PackageError(f"{name} is version {msi.file_version(data)}, not {VERSION}.0: build it again")
    signer = signing.signer_from_environment(work)
    if signer is None:
        print("not signed: QUBEN_SIGN_PFX is not set, the release is unsigned")
    else:
        if not signer.timestamp_url:
            print("warning: QUBEN_SIGN_TIMESTAMP_URL is not set: the signatures carry no time stamp and stop "
                  "being valid when the certificate expires", file=sys.stderr)
        executables = {name: signer.sign(name, data) for name, data in executables.items()}
    package = msi.build_msi(REPO / "packaging" / "quben.wxs", installer_files(executables["x86/demarrer_quben.exe"]),
                            work / MSI_NAME)
    if signer is not None:
        package.write_bytes(signer.sign(MSI_NAME, package.read_bytes()))
        print(f"signed with {signer.pfx}: both executables and {MSI_NAME}")
    write_zip(work / ZIP_NAME, executables)
    return [work / ZIP_NAME, package]


def main():
    options = [word for word in sys.argv[1:] if word.startswith("--")]
    paths = [word for word in sys.argv[1:] if not word.startswith("--")]
    build_root = Path(paths[0]) if paths else REPO / "build"
    dist = Path(paths[1]) if len(paths) > 1 else REPO / "dist"
    unknown = set(options) - {"--release", "--check"}
    if unknown:  # a mistyped --release must not give an unsigned package
        sys.exit(f"package not built: unknown option {' '.join(sorted(unknown))}")
    if "--release" in options:
        missing = signing.missing_for_release()
        if missing:
            sys.exit(f"release not built, dist/ left as it was: a release is signed and time-stamped, but "
                     f"{' and '.join(missing)} {'is' if len(missing) == 1 else 'are'} not set")
    try:
        msi.checked_version(VERSION)
    except msi.PackageError as error:
        sys.exit(f"package not built: VERSION: {error}")
    if "--check" in options:
        return
    dist.mkdir(parents=True, exist_ok=True)
    try:
        with tempfile.TemporaryDirectory(prefix=".quben-release-", dir=dist) as work:
            for built in build_release(build_root, Path(work)):
                os.replace(built, dist / built.name)
    except (OSError, msi.PackageError, signing.SigningError) as error:
        sys.exit(f"package not built, dist/ left as it was: {error}")
    for name in (ZIP_NAME, MSI_NAME):
        data = (dist / name).read_bytes()
        print(f"{dist / name}  {len(data)} bytes  sha256 {hashlib.sha256(data).hexdigest()}")
    # What deployment tools ask for: detection (product code) and supersedence (UpgradeCode).
    print(f"ProductVersion {VERSION}  ProductCode {msi.product_code(VERSION)}  "
          f"UpgradeCode {msi.guid(msi.UPGRADE_CODE)}")


if __name__ == "__main__":
    main()
