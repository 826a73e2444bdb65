"""Builds the release of the version in VERSION (say 1.0.0) from the two executables, into dist/:
- quben-1.0.0-windows.zip: x86/ and x64/ demarrer_quben.exe, LISEZMOI.txt and SHA256SUMS;
- quben-1.0.0.msi: the Windows Installer package (packaging/quben.wxs, the x86 executable).
LISEZMOI.txt gets the version, the package's name and its codes written in (@VERSION@, @MSI@,
@PRODUCT_CODE@, @UPGRADE_CODE@), who signed the release (@SIGNATURE@), and the launcher's events and
exit codes (@EVENTS@, @EXIT:kExit…@, @EVENTS:kExit…@) from the endings table
(launch/launch_ending.h), the exit codes (launch/launch_texts.h) and the event texts
(assets/events.mc): it holds no copy of its own. A version that is not major.minor.build within
Windows Installer's ranges, or executables whose version block says another, build nothing.
The product code is derived from everything the package is made of (installer()): a rebuild of a
version, signed after a test build say, is another product, which replaces the installed one.
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
import textwrap
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


# ReportEvent's types as LISEZMOI names the levels, padded to the widest.
LEVELS = {"kEventError": "Erreur", "kEventWarning": "Avertissement", "kEventInformation": "Information"}
WIDTH = 92  # of LISEZMOI's lines, indent included


def french(text):
    """`text` with a no-break space before : ; ? ! » and after «, as LISEZMOI writes them (no line
    starts or ends there)."""
    return re.sub(r" ([:;?!»])", "\u00a0\\1", text).replace("« ", "«\u00a0")


def source(path):
    return (REPO / path).read_text("utf-8")


def exit_codes():
    """{name: value} of the launcher's exit codes (launch/launch_texts.h)."""
    return dict(re.findall(r"constexpr int (kExit\w+) = (\d+);", source("launch/launch_texts.h")))


def ending_rows():
    """The endings table's rows, as (ending, exit code's name, event id, level), read by position
    from the left: the columns after the event's type may change without this noticing."""
    rows = []
    for line in source("launch/launch_ending.h").splitlines():
        row = line.partition("//")[0].strip()
        if row.startswith("{LaunchEnding::"):
            columns = [column.strip() for column in row.strip("{},").split(",")]
            if len(columns) < 8 or not columns[6].isdigit():
                raise msi.PackageError(f"launch/launch_ending.h: a row not read as expected: {row}")
            rows.append((columns[0].removeprefix("LaunchEnding::"), columns[5], int(columns[6]), columns[7]))
    if not rows:
        raise msi.PackageError("launch/launch_ending.h: no row in kEndingRows")
    return rows


def notes():
    """The enumerators of LaunchEnding that are not endings but notes on the way (after the
    comment "Not endings"): their events do not end the launch."""
    enum = re.search(r"enum class LaunchEnding[^{]*\{(.*?)\};", source("launch/launch_ending.h"), re.S)
    if not enum or "Not endings" not in enum[1]:
        raise msi.PackageError("launch/launch_ending.h: LaunchEnding has no \"Not endings\" part")
    return set(re.findall(r"^\s*(\w+)\s*[,=]", enum[1].partition("Not endings")[2], re.M))


def event_meanings():
    """{id: the first clause of the event's French text in assets/events.mc}."""
    meanings = {}
    for event_id, text in re.findall(r"^MessageId=(\d+)$.*?^Language=French$\n(.*?)$", source("assets/events.mc"),
                                     re.M | re.S):
        clause = re.split(r"[ \u00a0];", text.partition("%")[0])[0].rstrip(" \u00a0:.(")
        meanings[int(event_id)] = french(clause)
    return meanings


def events():
    """{id: (level, exit code shown, meaning)}, each event once: "-" when the event is a note, the
    launch going on; an id whose rows disagree builds nothing."""
    codes, meanings, on_the_way, found = exit_codes(), event_meanings(), notes(), {}
    for ending, exit_code, event_id, level in ending_rows():
        if event_id == 0:
            continue
        if level not in LEVELS or exit_code not in codes or event_id not in meanings:
            raise msi.PackageError(f"{ending}: no level, exit code or text in assets/events.mc for {event_id}")
        shown = (LEVELS[level], "-" if ending in on_the_way else codes[exit_code], meanings[event_id])
        if found.setdefault(event_id, shown) != shown:
            raise msi.PackageError(f"event {event_id}: its endings give it different levels or exit codes")
    return found


def wrapped(line):
    """`line` cut into lines of at most WIDTH, continued under its text (after its number and level)."""
    words = re.match(r"( *(?:\S+  +)*)", line)[1]  # the leading columns, each followed by two blanks
    return textwrap.fill(line, WIDTH, subsequent_indent=" " * len(words), break_long_words=False)


def event_list(found):
    level_width = max(len(level) for level in LEVELS.values())
    return "\n".join(wrapped(f"    {event_id}  {level:<{level_width}}  {code}  {meaning}")
                     for event_id, (level, code, meaning) in sorted(found.items()))


def events_ending_with(found, exit_code):
    listed = [str(event_id) for event_id, (_, code, _) in sorted(found.items()) if code == exit_code]
    return f"événements {', '.join(listed)}" if listed else "aucun événement"


def signature(certificate, timestamped):
    """What LISEZMOI says of the release's signature: who signed it, or that it is not signed."""
    if certificate is None:
        return wrapped(french("  Cette version n'est pas signée : ni demarrer_quben.exe ni le .msi ne portent de "
                              "signature Authenticode. Une règle d'éditeur ne peut pas s'y appliquer : règle de "
                              "hachage ou de chemin, ou attendez la version publiée, signée."))
    stamp = " et horodatée" if timestamped else ", sans horodatage (signature valable tant que le certificat l'est)"
    lines = [f"  Cette version est signée (Authenticode SHA-256){stamp} : les deux demarrer_quben.exe et le .msi. "
             "Certificat du signataire :",
             f"    Sujet : {certificate.subject}", f"    Émetteur : {certificate.issuer}",
             f"    Empreinte SHA-1 : {certificate.thumbprint}"]
    if certificate.self_signed:
        lines.append("  Ce certificat est auto-signé : déployez-le d'abord (stratégie de groupe) dans les magasins"
                     " « Autorités de certification racines de confiance » et « Éditeurs approuvés » des postes,"
                     " sinon Windows le tient pour non approuvé.")
    return "\n".join(wrapped(french(line)) for line in lines)


def readme(product_code, certificate=None, timestamped=False):
    """LISEZMOI.txt as packed: UTF-8 with a byte-order mark and CRLF line ends (Windows users open it
    with Notepad)."""
    text = source("packaging/LISEZMOI.txt")
    found = events()
    values = {"@VERSION@": VERSION, "@MSI@": MSI_NAME, "@PRODUCT_CODE@": product_code,
              "@UPGRADE_CODE@": msi.guid(msi.UPGRADE_CODE), "@SIGNATURE@": signature(certificate, timestamped),
              "@EVENTS@": event_list(found)}
    for name, exit_code in exit_codes().items():
        values[f"@EXIT:{name}@"] = exit_code
        values[f"@EVENTS:{name}@"] = events_ending_with(found, exit_code)
    for name, value in values.items():
        text = text.replace(name, value)
    if left := re.findall(r"@[A-Za-z_:]+@", text):
        raise msi.PackageError(f"LISEZMOI.txt: nothing to write for {', '.join(left)}")
    return b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8")


# What a package is made of besides the files it installs: a change to any of them is another package.
PACKAGE_SOURCES = ("packaging/quben.wxs", "packaging/msi.py", "packaging/make_package.py")


def installer(launcher, certificate=None, timestamped=False, version=VERSION):
    """The product code and the files of the installer package of `version`, given the bytes of the
    launcher it installs and who signed it. The code is derived from all the package is made of
    but itself (the launcher, the icon, LISEZMOI without the code, the sources that build it):
    packages that differ in anything never share a product code, so that installing one over the
    other replaces it, where a shared code with another package code would be refused (1638)."""
    icon = (REPO / "assets" / "icon.ico").read_bytes()
    digest = hashlib.sha256()
    for part in (version.encode("ascii"), launcher, icon, readme("", certificate, timestamped),
                 *((REPO / name).read_bytes() for name in PACKAGE_SOURCES)):
        digest.update(len(part).to_bytes(8, "little") + part)
    code = msi.product_code(version, digest.hexdigest())
    return code, {"demarrer_quben.exe": launcher, "LISEZMOI.txt": readme(code, certificate, timestamped),
                  "icon.ico": icon}


def write_zip(out, executables, readme_text):
    files = {**executables, "LISEZMOI.txt": readme_text}
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode("ascii")
    with zipfile.ZipFile(out, "w") as archive:
        for name in (*EXECUTABLES, "LISEZMOI.txt", "SHA256SUMS"):
            entry(archive, name, files[name])


def build_release(build_root, work):
    """Writes both release files into `work` and returns their paths and the package's product code."""
    executables = {name: (build_root / f"windows-{name.split('/')[0]}" / "demarrer_quben.exe").read_bytes()
                   for name in EXECUTABLES}
    for name, data in executables.items():  # a build left from another version
        if msi.file_version(data) != f"{VERSION}.0":
            raise msi.PackageError(f"{name} is version {msi.file_version(data)}, not {VERSION}.0: build it again")
    signer = signing.signer_from_environment(work)
    certificate = None
    if signer is None:
        print("not signed: QUBEN_SIGN_PFX is not set, the release is unsigned")
    else:
        if not signer.timestamp_url:
            print("warning: QUBEN_SIGN_TIMESTAMP_URL is not set: the signatures carry no time stamp and stop "
                  "being valid when the certificate expires", file=sys.stderr)
        executables = {name: signer.sign(name, data) for name, data in executables.items()}
        certificate = signer.certificate()
        if certificate.self_signed:
            print("warning: the certificate is self-signed: every PC must trust it first", file=sys.stderr)
    code, files = installer(executables["x86/demarrer_quben.exe"], certificate, bool(signer and signer.timestamp_url))
    package = msi.build_msi(REPO / "packaging" / "quben.wxs", files, work / MSI_NAME, code)
    if signer is not None:
        package.write_bytes(signer.sign(MSI_NAME, package.read_bytes()))
        print(f"signed with {signer.pfx}: both executables and {MSI_NAME}")
        # What AppLocker and WDAC rules are written from, and what LISEZMOI shows.
        print(f"signer: subject {certificate.subject}  issuer {certificate.issuer}  "
              f"SHA-1 thumbprint {certificate.thumbprint}")
    write_zip(work / ZIP_NAME, executables, files["LISEZMOI.txt"])
    return [work / ZIP_NAME, package], code


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
            built, code = build_release(build_root, Path(work))
            for path in built:
                os.replace(path, dist / path.name)
    except (OSError, msi.PackageError, signing.SigningError) as error:
        sys.exit(f"package not built, dist/ left as it was: {error}")
    for name in (ZIP_NAME, MSI_NAME):
        data = (dist / name).read_bytes()
        print(f"{dist / name}  {len(data)} bytes  sha256 {hashlib.sha256(data).hexdigest()}")
    # What deployment tools ask for: detection (product code) and supersedence (UpgradeCode).
    print(f"ProductVersion {VERSION}  ProductCode {code}  "
          f"UpgradeCode {msi.guid(msi.UPGRADE_CODE)}")


if __name__ == "__main__":
    main()
