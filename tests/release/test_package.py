"""The release package, unsigned: the zip holds exactly x86/ and x64/ demarrer_quben.exe, LISEZMOI.txt
and SHA256SUMS, whose sums match; the packaged executables pass the PE resource checks; the Windows
Installer package is a per-machine x86 package of the French product QUBen with a fixed
UpgradeCode, holds the x86 launcher and LISEZMOI.txt, and stays small; its texts are cp1252 under a
declared code page 1252 and it is language-neutral; its tables follow the validation rules (ICE60,
ICE80, the upgrade, the shortcut); its package code is that of the finished database; bad input to the
installer build fails it without leaving a package; VERSION is the executables', the package's, its
names' and LISEZMOI's; its product code comes from its content; the Add/Remove Programs properties;
LISEZMOI's events and exit codes are the launcher's, and its msiexec commands quote their paths."""

import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1]) if len(sys.argv) > 1 else REPO / "build"
VERSION = (REPO / "VERSION").read_text("ascii").strip()
UPGRADE_CODE = "{CA10A237-15B1-4FCB-8D1D-2A443DDFAC39}"
NAMES = ["x86/demarrer_quben.exe", "x64/demarrer_quben.exe", "LISEZMOI.txt", "SHA256SUMS"]
MAKE_PACKAGE = REPO / "packaging" / "make_package.py"
sys.path.insert(0, str(REPO / "packaging"))
import make_package as package_command  # noqa: E402
import msi  # noqa: E402
import olefile  # noqa: E402

PRODUCT_CODE = package_command.installer((BUILD / "windows-x86" / "demarrer_quben.exe").read_bytes())[0]  # unsigned
ZIP_NAME, MSI_NAME = f"quben-{VERSION}-windows.zip", f"quben-{VERSION}.msi"

EVENT_SOURCE = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\quben\\"  # wixl ends keys with \\
COMMENTS = "Installe demarrer_quben.exe, son raccourci et l'entrée «\u00a0Ouvrir avec\u00a0» des fichiers .xls."


def make_package(dist, env=None):
    """Runs the package command into `dist`; returns the finished process."""
    return subprocess.run(["/usr/bin/python3", MAKE_PACKAGE, BUILD, dist], capture_output=True, text=True,
                          env={key: value for key, value in {**os.environ, **(env or {})}.items() if value is not None})


def stored_package_code(path):
    return msi.summary_properties(path)[msi.PID_REVISION][8:].rstrip(b"\0").decode("ascii")


def msi_table(path, table):
    """The rows of one table of an MSI, as lists of strings (header lines left out)."""
    text = subprocess.run(["msiinfo", "export", str(path), table], capture_output=True, text=True,
                          check=True).stdout
    return [line.split("\t") for line in text.replace("\r", "").splitlines()[3:]]


# LISEZMOI's lists: "    101  Erreur         1  meaning", "    0  meaning" (continued further in).
EVENT_LINE = re.compile(r"^    (\d{3})  (Erreur|Avertissement|Information) +([0-9-])  \S", re.M)
EXIT_LINE = re.compile(r"^    (\d)  (\S.*(?:\n       \S.*)*)", re.M)


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dist = Path(tempfile.mkdtemp(prefix="quben-dist-"))
        cls.run_output = make_package(cls.dist, {"QUBEN_SIGN_PFX": None})
        assert cls.run_output.returncode == 0, cls.run_output.stderr
        cls.archive = zipfile.ZipFile(cls.dist / ZIP_NAME)
        cls.unpacked = Path(tempfile.mkdtemp(prefix="quben-package-"))
        cls.archive.extractall(cls.unpacked)
        cls.msi = cls.dist / MSI_NAME
        cls.extracted = Path(tempfile.mkdtemp(prefix="quben-msi-"))
        subprocess.run(["msiextract", "-C", str(cls.extracted), str(cls.msi)], check=True, capture_output=True)
        cls.readme = (cls.unpacked / "LISEZMOI.txt").read_text("utf-8-sig").replace("\r\n", "\n")

    def test_holds_exactly_the_four_files_and_says_it_did_not_sign(self):
        self.assertEqual(self.archive.namelist(), NAMES)
        self.assertEqual(sorted(p.name for p in self.dist.iterdir()), [ZIP_NAME, MSI_NAME])
        self.assertIn("not signed", self.run_output.stdout)

    def test_sums_match_the_files(self):
        lines = (self.unpacked / "SHA256SUMS").read_text("ascii").splitlines()
        self.assertEqual(len(lines), 3)
        for line in lines:
            digest, name = line.split("  ")
            self.assertEqual(hashlib.sha256((self.unpacked / name).read_bytes()).hexdigest(), digest, name)

    def test_readme_is_french_text_for_windows(self):
        text = (self.unpacked / "LISEZMOI.txt").read_bytes()
        self.assertTrue(text.startswith(b"\xef\xbb\xbf"))
        body = text.decode("utf-8")
        self.assertIn("\r\n", body)
        self.assertNotIn("\n", body.replace("\r\n", ""))
        for phrase in ("Excel", "Désolé , le fichier correspondant est absent du répertoire de travail .", ".xls",
                       f'msiexec /i "{MSI_NAME}" /qn /norestart /l*v ', f'msiexec /x "{MSI_NAME}" /qn /norestart /l*v ',
                       f"msiexec /x {PRODUCT_CODE} /qn /norestart /l*v ", f'msiexec /fa "{MSI_NAME}" ',
                       "n'est pas signée", "Débloquer", "Excel a été lancé mais",
                       r"HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Attachments",
                       "KB3033929", "bash scripts/package.sh --release", "Observateur d'événements", "DebugView",
                       "Débloquez donc le zip avant de l'extraire"):
            self.assertIn(phrase, body)
        # Short lines, and French typography except in the dialog's own title.
        for line in body.split("\r\n"):
            self.assertLessEqual(len(line), 100, line)
            self.assertNotRegex(line.replace("Calcul d'incertitude : ouvrir un fichier QUBen ...", ""),
                                r" [:;?!]|« | »", line)

    def test_packaged_executables_pass_the_resource_checks(self):
        result = subprocess.run([sys.executable, REPO / "tests" / "wine" / "test_pe_resources.py",
                                 self.unpacked / "x64" / "demarrer_quben.exe",
                                 self.unpacked / "x86" / "demarrer_quben.exe"], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_installer_holds_the_x86_launcher_and_the_readme(self):
        folder = self.extracted / "Program Files" / "QUBen"
        self.assertEqual(sorted(p.name for p in folder.iterdir()), ["LISEZMOI.txt", "demarrer_quben.exe"])
        self.assertEqual((folder / "demarrer_quben.exe").read_bytes(),
                         (self.unpacked / "x86" / "demarrer_quben.exe").read_bytes())
        self.assertEqual((folder / "LISEZMOI.txt").read_bytes(), (self.unpacked / "LISEZMOI.txt").read_bytes())

    def test_installer_is_the_per_machine_french_product_qu_ben(self):
        properties = dict(msi_table(self.msi, "Property"))
        self.assertEqual({name: properties.get(name) for name in
                          ("ProductName", "ProductVersion", "ProductLanguage", "ALLUSERS", "UpgradeCode",
                           "ProductCode")},
                         {"ProductName": "QUBen", "ProductVersion": VERSION, "ProductLanguage": "0",
                          "ALLUSERS": "1", "UpgradeCode": UPGRADE_CODE,
                          "ProductCode": PRODUCT_CODE})
        summary = subprocess.run(["msiinfo", "suminfo", str(self.msi)], capture_output=True, encoding="cp1252",
                                 check=True).stdout
        self.assertIn("Template: Intel;0\n", summary)  # language-neutral, for Group Policy

    def test_tables_follow_the_validation_rules(self):
        # The ICE rules themselves (darice.cub) do not run here: one case per rule they would check.
        template = msi.summary_properties(self.msi)[msi.PID_TEMPLATE][8:].rstrip(b"\0").decode("cp1252")
        files = msi_table(self.msi, "File")
        sequence = {row[0]: int(row[2]) for row in msi_table(self.msi, "InstallExecuteSequence")}
        cases = {
            "ICE80: ProductLanguage is one of the template's languages":
                (dict(msi_table(self.msi, "Property"))["ProductLanguage"] in template.split(";")[1].split(","),
                 True),
            "ICE60: MsiFileHash holds exactly the files without a version":
                (sorted(row[0] for row in msi_table(self.msi, "MsiFileHash")),
                 sorted(row[0] for row in files if not row[4])),
            "a later version, or this one rebuilt, finds this one through the UpgradeCode":
                ([UPGRADE_CODE, "", VERSION, "", "513", "", "WIX_UPGRADE_DETECTED"]
                 in msi_table(self.msi, "Upgrade"), True),
            "and removes it first, between InstallValidate and InstallInitialize":
                (sequence["InstallValidate"] < sequence["RemoveExistingProducts"] < sequence["InstallInitialize"],
                 True),
            "Event Viewer finds the texts of the launcher's events in the installed launcher":
                (sorted(row[1:5] for row in msi_table(self.msi, "Registry") if "EventLog" in row[2]),
                 [["2", EVENT_SOURCE, "EventMessageFile", "#%[INSTALLDIR]demarrer_quben.exe"],
                  ["2", EVENT_SOURCE, "TypesSupported", "#7"]]),
            "the ProgID shows the launcher's icon":
                ([row[1:5] for row in msi_table(self.msi, "Registry") if row[2].endswith("DefaultIcon")],
                 [["2", r"Software\Classes\quben.Classeur\DefaultIcon", "", '"[INSTALLDIR]demarrer_quben.exe",0']]),
        }
        self.assertTrue([row for row in files if row[4]])  # the launcher has a version, so ICE60 has a case
        for rule, (found, expected) in cases.items():
            with self.subTest(rule):
                self.assertEqual(found, expected)

    def test_package_code_is_that_of_the_finished_database(self):
        stored = stored_package_code(self.msi)
        self.assertEqual(stored, msi.package_code(self.msi))
        # Any summary property but the package code itself changes it.
        copy = Path(tempfile.mkdtemp(prefix="quben-msi-")) / "copy.msi"
        for pid, changes_it in ((msi.PID_SAVED, True), (msi.PID_TEMPLATE, True), (msi.PID_REVISION, False)):
            with self.subTest(pid=pid):
                shutil.copy(self.msi, copy)
                properties = msi.summary_properties(copy)
                value = properties[pid]
                properties[pid] = value[:-4] + bytes([value[-4] ^ 1]) + value[-3:]  # one bit of the value
                msi.write_summary(copy, properties)
                self.assertEqual(msi.package_code(copy) != stored, changes_it)

    def test_a_post_processing_constant_changes_the_package_code(self):
        launcher = (self.extracted / "Program Files" / "QUBen" / "demarrer_quben.exe").read_bytes()
        folder = Path(tempfile.mkdtemp(prefix="quben-msi-"))
        code, files = package_command.installer(launcher)
        same = msi.build_msi(REPO / "packaging" / "quben.wxs", files, folder / "same.msi", code)
        original, msi.TEMPLATE = msi.TEMPLATE, "Intel;1036"
        try:
            other = msi.build_msi(REPO / "packaging" / "quben.wxs", files, folder / "other.msi", code)
        finally:
            msi.TEMPLATE = original
        self.assertEqual(same.read_bytes(), self.msi.read_bytes())
        self.assertNotEqual(stored_package_code(other), stored_package_code(same))

    def test_the_version_written_once_is_the_release_s_everywhere(self):
        readme = (self.unpacked / "LISEZMOI.txt").read_text("utf-8-sig")
        launcher = (self.unpacked / "x86" / "demarrer_quben.exe").read_bytes()
        upgrade = sorted(msi_table(self.msi, "Upgrade"), key=lambda row: row[6])
        cases = {
            # The version block's other fields and texts: test_pe_resources.py, run on the packaged files.
            "both executables' file versions": ([msi.file_version((self.unpacked / name).read_bytes())
                                                 for name in NAMES[:2]], [f"{VERSION}.0"] * 2),
            "ProductVersion, three fields, and the product code derived from it":
                ([dict(msi_table(self.msi, "Property"))[name] for name in ("ProductVersion", "ProductCode")],
                 [VERSION, PRODUCT_CODE]),
            "another launcher, or another version, is another product":
                (len({package_command.installer(data, version=version)[0] for data, version in
                      ((launcher, VERSION), (launcher + b"\0", VERSION), (launcher, "1.0.1"))}), 3),
            "the downgrade row from this version, the upgrade row up to it":
                ([row[1:3] for row in upgrade], [[VERSION, ""], ["", VERSION]]),
            "every code LISEZMOI prints": (set(re.findall(r"\{[0-9A-F-]{36}\}", readme)), {PRODUCT_CODE, UPGRADE_CODE}),
            "every version LISEZMOI prints": (set(re.findall(r"\d+\.\d+\.\d+(?:\.\d+)?", readme)),
                                              {VERSION, f"{VERSION}.0"}),
            "every package LISEZMOI names": (set(re.findall(r"quben-[^ ]*\.msi", readme)), {MSI_NAME}),
        }
        for what, (found, expected) in cases.items():
            with self.subTest(what):
                self.assertEqual(found, expected)
        self.assertIn(f"ProductCode {PRODUCT_CODE}  UpgradeCode {UPGRADE_CODE}", self.run_output.stdout)

    def test_a_version_windows_installer_would_misread_is_refused(self):
        for version in ("1.0.0.1", "1.0", "256.0.0", "1.256.0", "1.0.65536", "01.0.0", "1.0.0-rc1", ""):
            with self.subTest(version=version), self.assertRaisesRegex(msi.PackageError, "major.minor.build"):
                msi.checked_version(version)
        self.assertEqual(msi.checked_version("255.255.65535"), "255.255.65535")

    def test_add_remove_programs_properties(self):
        properties = dict(msi_table(self.msi, "Property"))
        self.assertEqual([properties.get(name) for name in ("Manufacturer", "ARPCONTACT", "ARPNOMODIFY")],
                         ["QUBen", "Service informatique de votre établissement", "1"])
        # Type 51 (a property, formatted), immediate: nothing runs. After INSTALLDIR is known, before the
        # product is registered; the link only where none was given.
        self.assertEqual(sorted(msi_table(self.msi, "CustomAction")),
                         [["SetHelpLink", "51", "ARPHELPLINK", "[INSTALLDIR]LISEZMOI.txt", ""],
                          ["SetInstallLocation", "51", "ARPINSTALLLOCATION", "[INSTALLDIR]", ""]])
        sequence = {row[0]: (row[1], int(row[2])) for row in msi_table(self.msi, "InstallExecuteSequence")}
        self.assertEqual([sequence[action] for action in ("SetHelpLink", "SetInstallLocation")],
                         [("NOT ARPHELPLINK", sequence["CostFinalize"][1] + 1), ("", sequence["CostFinalize"][1] + 2)])

    def test_events_and_exit_codes_listed_are_the_launcher_s(self):
        events = EVENT_LINE.findall(self.readme)
        exits = dict(EXIT_LINE.findall(self.readme.partition("\nCodes de sortie\n")[2]))
        messages = re.findall(r"^; level: (\w+)\nMessageId=(\d+)", (REPO / "assets" / "events.mc").read_text("utf-8"),
                              re.M)
        levels = {"error": "Erreur", "warning": "Avertissement", "information": "Information"}
        self.assertEqual(sorted(event[:2] for event in events), sorted((i, levels[level]) for level, i in messages))
        constants = dict(re.findall(r"constexpr int (kExit\w+) = (\d+);",
                                    (REPO / "launch" / "launch_texts.h").read_text()))
        self.assertEqual(sorted(exits), sorted(constants.values()))
        # The endings table's rows read another way; the notes (after "Not endings") are shown "-".
        header = (REPO / "launch" / "launch_ending.h").read_text()
        notes = re.findall(r"^    (\w+),", header.partition("Not endings")[2].partition("};")[0], re.M)
        rows = re.findall(r"\{LaunchEnding::(\w+), .*?(kExit\w+), +(\d+), ", header)
        self.assertTrue(rows and notes)
        shown = {event_id: exit_code for event_id, _, exit_code in events}
        for ending, exit_name, event_id in rows:
            if event_id != "0":
                with self.subTest(ending=ending):
                    self.assertEqual(shown[event_id], "-" if ending in notes else constants[exit_name])
        for exit_code, text in exits.items():  # each exit code's entry names exactly the events it follows
            self.assertEqual(re.findall(r"\b\d{3}\b", text), sorted(i for i, code in shown.items() if code == exit_code))

    def test_every_msiexec_command_quotes_its_paths(self):
        commands = re.findall(r"^ +(msiexec .*)$", self.readme, re.M)
        self.assertTrue(commands)
        for command in commands:
            with self.subTest(command):
                # A package or log path follows /i, /x, /fa and /l*v: quoted, or a product code.
                for path in re.findall(r' /(?:i|x|fa|l\*v) ("[^"]*"|\S+)', command):
                    self.assertRegex(path, r'^"[^"]+"$|^\{[0-9A-F-]{36}\}$')

    def test_installer_texts_are_cp1252_under_code_page_1252(self):
        with olefile.OleFileIO(str(self.msi)) as ole:
            stream = ole.openstream("\x05SummaryInformation").read()
        section = struct.unpack_from("<I", stream, 44)[0]
        count = struct.unpack_from("<I", stream, section + 4)[0]
        offsets = dict(struct.unpack_from("<II", stream, section + 8 + 8 * i) for i in range(count))
        self.assertEqual(struct.unpack_from("<Ih", stream, section + offsets[1]), (2, 1252))  # VT_I2 code page
        kind, length = struct.unpack_from("<II", stream, section + offsets[6])
        self.assertEqual(kind, 30)  # VT_LPSTR
        comments = stream[section + offsets[6] + 8:section + offsets[6] + 8 + length]
        self.assertEqual(comments.decode("cp1252"), COMMENTS + "\0")
        # The string pool, whose strings (the downgrade message among them) are cp1252 bytes.
        codepage = subprocess.run(["msiinfo", "export", str(self.msi), "_ForceCodepage"], capture_output=True,
                                  text=True, check=True).stdout
        self.assertEqual(codepage.strip("\0").split(), ["1252", "_ForceCodepage"])

    def test_every_shortcut_has_a_per_user_registry_key_path_and_its_folder_is_removed(self):
        components = {row[0]: row for row in msi_table(self.msi, "Component")}
        registry = {row[0]: row for row in msi_table(self.msi, "Registry")}
        removed_folders = {row[3] for row in msi_table(self.msi, "RemoveFile") if row[2] == ""}
        shortcuts = msi_table(self.msi, "Shortcut")
        self.assertTrue(shortcuts)
        for shortcut in shortcuts:
            with self.subTest(shortcut=shortcut[0]):
                component = components[shortcut[3]]
                self.assertTrue(int(component[3]) & 4, "KeyPath is not a registry value")
                self.assertEqual(registry[component[5]][1], "1")  # HKCU
                self.assertIn(shortcut[1], removed_folders)

    def test_installer_rows_have_8_3_short_names_and_the_launcher_its_version(self):
        launcher = next(row for row in msi_table(self.msi, "File") if row[0] == "demarrer_quben.exe")
        self.assertEqual(launcher[2:6], ["DEMARR~1.EXE|demarrer_quben.exe",
                                         str((self.unpacked / "x86" / "demarrer_quben.exe").stat().st_size),
                                         f"{VERSION}.0", "1036"])
        self.assertEqual([row[2] for row in msi_table(self.msi, "Shortcut")], ["CALCUL~1|Calcul d'incertitude QUBen"])

    def test_installer_is_at_most_512_kib(self):
        size = self.msi.stat().st_size
        print(f"{MSI_NAME}: {size} bytes ({size / 1024:.0f} KiB)", file=sys.stderr)
        self.assertLessEqual(size, 512 * 1024)

    def test_a_missing_source_file_fails_the_installer_build_and_leaves_no_package(self):
        out = Path(tempfile.mkdtemp(prefix="quben-bad-")) / MSI_NAME
        files = {"demarrer_quben.exe": b"MZ", "icon.ico": (REPO / "assets" / "icon.ico").read_bytes()}
        with self.assertRaisesRegex(msi.PackageError, "(?s)wixl failed.*LISEZMOI.txt"):
            msi.build_msi(REPO / "packaging" / "quben.wxs", files, out, msi.product_code(VERSION, "no launcher"))
        self.assertEqual(list(out.parent.iterdir()), [])

    def test_a_missing_executable_fails_the_package_command_and_leaves_dist_as_it_was(self):
        dist = Path(tempfile.mkdtemp(prefix="quben-dist-"))
        result = subprocess.run(["/usr/bin/python3", MAKE_PACKAGE, dist / "no-build", dist], capture_output=True,
                                text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("package not built", result.stderr)
        self.assertEqual(list(dist.iterdir()), [])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
