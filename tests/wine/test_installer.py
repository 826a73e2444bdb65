"""The Windows Installer package for real under Wine: a silent install puts the launcher and
LISEZMOI.txt under Program Files, the French Start-menu shortcut with its icon and the "Ouvrir avec"
registrations for .xls files (the application's key, and a ProgID of ours, with the launcher's icon,
listed under the type's OpenWithProgids), leaving the default program of .xls alone; the installed
launcher shows its dialog; Add/Remove Programs shows the product, its folder, contact and help link;
a silent removal leaves the prefix's files and registry exactly as they were. One package over
another: a later version or a rebuild of the same one replaces it in place, an earlier one is
refused."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "packaging"))
import make_package  # noqa: E402
import msi  # noqa: E402
from harness import standin  # noqa: E402
from harness.driver import Driver  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from harness.wine_session import REPO, Xvfb, WineSession, build_dir, default_prefix, ensure_prefix  # noqa: E402
from harness.wine_session import windows_path  # noqa: E402

PRODUCT_CODE = make_package.installer((build_dir("x86") / "demarrer_quben.exe").read_bytes())[0]  # unsigned
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
INSTALL_DIR = r"C:\Program Files (x86)\QUBen"  # an x86 package in a 64-bit prefix
APPLICATION_KEY = r"HKLM\Software\Classes\Applications\demarrer_quben.exe"
SHORTCUT = "Calcul d'incertitude QUBen.lnk"
ICON = rf"C:\windows\Installer\{PRODUCT_CODE}\quben.ico"
XLS_KEY = r"HKLM\Software\Classes\.xls"
OPEN_WITH_PROGIDS = rf"{XLS_KEY}\OpenWithProgids"
PROGID = "quben.Classeur"
EXCEL_PROGID = "Excel.Sheet.8"


def unix_path(session, windows):
    return session.drive_c / windows[3:].replace("\\", "/")


# Wine keeps the display adapters it finds under this key, as volatile keys named by a new GUID, and
# adds one whenever it looks at the display again during a session, which a slow, busy machine makes
# happen while a package is being installed. Nothing an installer writes lives there.
WINE_DISPLAY_ADAPTERS = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\"


def without_display_adapters(lines):
    kept, inside = [], False
    for line in lines:
        if line.startswith("["):
            inside = line.startswith(WINE_DISPLAY_ADAPTERS)
        if not inside:
            kept.append(line)
    return kept


def snapshot(session):
    """Every file of the prefix's C: drive, and every key and value of HKLM and HKCU but Wine's own
    record of the display adapters."""
    files = {str(path.relative_to(session.drive_c)) for path in session.drive_c.rglob("*")}
    registry = []
    for hive in ("HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"):
        export = session.log_dir / f"{hive}.reg"
        session.run(["regedit", "/E", windows_path(export), hive], check=True, timeout=120)
        registry += without_display_adapters(export.read_bytes().decode("utf-16").splitlines())
    return files, registry


def changed_keys(before, after):
    return sorted({line for line in set(after) ^ set(before) if line.startswith("[")})


def registry_values(session, key):
    """The values directly under `key` as {name: data}, from `reg query`."""
    code, out = session.run(["reg", "query", key])
    if code != 0:
        return None
    values = {}
    for line in out.splitlines():
        parts = line.strip().split("    ")
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) > 2 else ""
    return values


class InPrefix:
    """A session in the test prefix on a display of its own, whose devices Wine has already recorded
    in the registry (it does so at the first window), so that snapshots taken afterwards compare."""

    maxDiff = None  # a difference between snapshots is shown in full

    @classmethod
    def open_session(cls):
        cls.display = Xvfb(1024, 768)
        # winemenubuilder would copy the shortcut into the desktop's own menus, outside the prefix.
        cls.session = WineSession(ensure_prefix(default_prefix()), cls.display,
                                  {"WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"})
        cls.session.start_server()
        Driver(cls.session)(["windows", "quben.Form3"])
        # Windows always has the installer's cache folder and registration keys, and the Application
        # log's key; Wine makes them at the first install and keeps them, which a new prefix must not
        # count as left behind.
        (cls.session.drive_c / "windows" / "Installer").mkdir(exist_ok=True)
        keys = [rf"Software\Classes\Installer\{name}" for name in ("Features", "Products", "UpgradeCodes")]
        for key in keys + [r"System\CurrentControlSet\Services\EventLog\Application"]:
            cls.session.run(["reg", "add", rf"HKLM\{key}", "/f"], check=True)
        return cls.session

    @classmethod
    def tearDownClass(cls):
        cls.session.stop()
        cls.display.close()


def package(version, launcher=None):
    """An installer of `launcher` (the x86 build) for `version`, in a folder of its own, and its
    product code."""
    folder = Path(tempfile.mkdtemp(prefix="quben-msi-"))
    launcher = launcher or (build_dir("x86") / "demarrer_quben.exe").read_bytes()
    code, files = make_package.installer(launcher, version=version)
    return msi.build_msi(REPO / "packaging" / "quben.wxs", files, folder / f"{version}.msi", code, version), code


def msiexec_code(session, arguments):
    """msiexec's whole exit code, echoed by a batch file: Linux keeps its low 8 bits (1603 is 67)."""
    (session.drive_c / "quben-msiexec.cmd").write_bytes(b"@msiexec %*\r\n@echo msiexec=%ERRORLEVEL%\r\n")
    _, out = session.run(["cmd", "/c", r"C:\quben-msiexec.cmd", *arguments], timeout=120)
    (session.drive_c / "quben-msiexec.cmd").unlink()
    return int(re.search(r"msiexec=(-?\d+)", out)[1])


def timed(session, command):
    start = time.monotonic()
    session.run(command, timeout=120, check=True)
    return time.monotonic() - start


class InstallThenRemove(InPrefix, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        dist = Path(tempfile.mkdtemp(prefix="quben-dist-"))
        unsigned = {key: value for key, value in os.environ.items() if key != "QUBEN_SIGN_PFX"}
        subprocess.run(["/usr/bin/python3", REPO / "packaging" / "make_package.py", build_dir("x64").parent, dist],
                       check=True, stdout=subprocess.DEVNULL, env=unsigned)
        cls.msi = windows_path(dist / make_package.MSI_NAME)
        session = cls.open_session()
        # As on a machine with Excel: .xls belongs to it, and must still belong to it afterwards.
        session.run(["reg", "add", XLS_KEY, "/ve", "/d", EXCEL_PROGID, "/f"], check=True)
        session.clear_dialog_history()
        cls.before = snapshot(session)

        cls.install_seconds = timed(session, ["msiexec", "/i", cls.msi, "/qn"])
        cls.installed = snapshot(session)
        cls.open_with = {key: registry_values(session, rf"{APPLICATION_KEY}\{key}")
                         for key in ("", r"shell\open\command", "SupportedTypes")}
        cls.progids = registry_values(session, OPEN_WITH_PROGIDS)
        cls.progid = {key: registry_values(session, rf"HKLM\Software\Classes\{PROGID}\{key}")
                      for key in ("", r"shell\open\command", "DefaultIcon")}
        cls.uninstall_entry = registry_values(session, rf"{UNINSTALL_KEY}\{PRODUCT_CODE}")
        cls.xls_owner = registry_values(session, XLS_KEY)
        folder = unix_path(session, INSTALL_DIR)
        cls.installed_folder = {path.name: path.read_bytes() for path in folder.iterdir()}
        cls.shortcuts = {name: (session.drive_c / name).read_bytes() for name in cls.installed[0] - cls.before[0]
                         if name.endswith(".lnk")}
        cls.icon = unix_path(session, ICON).read_bytes()
        with LauncherRun(session, "x86", exe=rf"{INSTALL_DIR}\demarrer_quben.exe") as run:
            driver = Driver(session)
            cls.seen = driver.one(["wait-dialog", 30000])
            driver(["wait-dialog", 5000], "cancel")
            cls.exit_code = run.wait(30)
        session.clear_dialog_history()

        cls.uninstall_seconds = timed(session, ["msiexec", "/x", cls.msi, "/qn"])
        cls.after = snapshot(session)
        print(f"install {cls.install_seconds:.2f} s, uninstall {cls.uninstall_seconds:.2f} s", file=sys.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.session.run(["reg", "delete", XLS_KEY, "/f"])
        super().tearDownClass()

    def test_launcher_and_readme_are_installed_under_program_files(self):
        folder = self.installed_folder
        self.assertEqual(sorted(folder), ["LISEZMOI.txt", "demarrer_quben.exe"])
        self.assertEqual(folder["demarrer_quben.exe"], (build_dir("x86") / "demarrer_quben.exe").read_bytes())
        readme = folder["LISEZMOI.txt"]
        self.assertTrue(readme.startswith(b"\xef\xbb\xbf"))
        self.assertIn("Désolé , le fichier correspondant est absent", readme.decode("utf-8"))

    def test_start_menu_shortcut_points_at_the_launcher_with_its_icon(self):
        # Wine puts a per-machine package's shortcuts in the user's Start menu, Windows in everyone's.
        self.assertEqual(len(self.shortcuts), 1, self.shortcuts.keys())
        (name, link), = self.shortcuts.items()
        self.assertTrue(name.endswith("/Start Menu/Programs/QUBen/" + SHORTCUT), name)
        self.assertIn(rf"{INSTALL_DIR}\demarrer_quben.exe".encode("ascii") + b"\0", link)  # its link info
        self.assertIn(ICON.encode("utf-16-le"), link)
        self.assertEqual(self.icon, (REPO / "assets" / "icon.ico").read_bytes())

    def test_open_with_lists_the_launcher_for_xls_files(self):
        self.assertEqual(self.open_with[""], {"FriendlyAppName": "Calcul d'incertitude QUBen"})
        self.assertEqual(self.open_with[r"shell\open\command"],
                         {"(Default)": rf'"{INSTALL_DIR}\demarrer_quben.exe" "%1"'})
        self.assertEqual(self.open_with["SupportedTypes"], {".xls": ""})

    def test_open_with_submenu_of_xls_files_lists_our_progid(self):
        self.assertEqual(self.progids, {PROGID: ""})
        self.assertEqual(self.progid[""], {"(Default)": "Classeur QUBen", "FriendlyTypeName": "Classeur QUBen"})
        self.assertEqual(self.progid[r"shell\open\command"],
                         {"(Default)": rf'"{INSTALL_DIR}\demarrer_quben.exe" "%1"'})
        self.assertEqual(self.progid["DefaultIcon"], {"(Default)": rf'"{INSTALL_DIR}\demarrer_quben.exe",0'})

    def test_default_program_of_xls_files_is_left_alone(self):
        self.assertEqual(self.xls_owner, {"(Default)": EXCEL_PROGID})
        # Under .xls only the list of ProgIDs offered in "Ouvrir avec" is new.
        under_xls = [key for key in changed_keys(self.before[1], self.installed[1]) if ".xls" in key]
        self.assertEqual(under_xls, [r"[HKEY_LOCAL_MACHINE\Software\Classes\.xls\OpenWithProgids]"])

    def test_listed_in_installed_programs_under_its_french_name(self):
        entry = self.uninstall_entry
        self.assertEqual({name: entry.get(name) for name in ("DisplayName", "DisplayVersion", "Publisher",
                                                              "InstallLocation", "HelpLink")},
                         {"DisplayName": "QUBen", "DisplayVersion": msi.PRODUCT_VERSION, "Publisher": "QUBen",
                          "InstallLocation": INSTALL_DIR + "\\", "HelpLink": rf"{INSTALL_DIR}\LISEZMOI.txt"})
        # reg prints in the console's code page: the accented contact is read from the UTF-16 export.
        self.assertIn('"Contact"="Service informatique de votre établissement"', self.installed[1])

    def test_installed_launcher_shows_its_dialog(self):
        self.assertEqual(self.seen["dialog"]["title"], "Calcul d'incertitude : ouvrir un fichier QUBen ...")
        self.assertEqual(self.exit_code, 0)

    def test_removal_leaves_nothing_behind(self):
        self.assertEqual(sorted(self.after[0] ^ self.before[0]), [])
        self.assertEqual(sorted(set(self.after[1]) ^ set(self.before[1])), [])


class OnePackageOverAnother(InPrefix, unittest.TestCase):
    """Rows: first package, second (with a help link), msiexec's exit code for it, and the package left
    alone in Add/Remove Programs. "1.0.0 B": 1.0.0 rebuilt, its launcher longer as a signature makes it."""

    ROWS = [("1.0.0", "1.0.1", 0, "1.0.1"),
            ("1.0.1", "1.0.0", 1603, "1.0.1"),  # a downgrade, refused
            ("1.0.0", "1.0.0 B", 0, "1.0.0 B")]
    LINK = "https://support.example/quben"

    @classmethod
    def setUpClass(cls):
        cls.open_session()
        launcher = (build_dir("x86") / "demarrer_quben.exe").read_bytes()
        cls.launchers = {"1.0.0": launcher, "1.0.1": launcher, "1.0.0 B": launcher + bytes(16)}
        cls.packages = {name: package(name.split()[0], data) for name, data in cls.launchers.items()}
        cls.before = snapshot(cls.session)
        cls.results = []
        for first, second, _, _ in cls.ROWS:
            session, (first_msi, _), (second_msi, _) = cls.session, cls.packages[first], cls.packages[second]
            timed(session, ["msiexec", "/i", windows_path(first_msi), "/qn"])
            code = msiexec_code(session, ["/i", windows_path(second_msi), "/qn", f"ARPHELPLINK={cls.LINK}"])
            entries = {name: registry_values(session, rf"{UNINSTALL_KEY}\{product}")
                       for name, (_, product) in cls.packages.items()}
            left = {name: entry for name, entry in entries.items() if entry is not None}
            shortcuts = {str(path.relative_to(session.drive_c)) for path in session.drive_c.rglob("*.lnk")}
            launcher_now = unix_path(session, rf"{INSTALL_DIR}\demarrer_quben.exe").read_bytes()
            for name in left:
                timed(session, ["msiexec", "/x", windows_path(cls.packages[name][0]), "/qn"])
            cls.results.append((code, left, launcher_now, len(shortcuts - cls.before[0])))
        cls.after = snapshot(cls.session)

    def test_each_row_leaves_one_package_installed(self):
        for (first, second, exit_code, left), (code, entries, launcher, shortcuts) in zip(self.ROWS, self.results):
            with self.subTest(first=first, second=second):
                self.assertEqual(code, exit_code)
                self.assertEqual(list(entries), [left])
                self.assertEqual(entries[left]["DisplayVersion"], left.split()[0])
                self.assertEqual(entries[left]["HelpLink"] == self.LINK, left == second)
                self.assertEqual(launcher, self.launchers[left])
                self.assertEqual(shortcuts, 1)

    def test_removal_after_them_leaves_nothing(self):
        self.assertEqual(sorted(self.after[0] ^ self.before[0]), [])
        self.assertEqual(sorted(set(self.after[1]) ^ set(self.before[1])), [])


class OpenWithOpensTheWorkbook(InPrefix, unittest.TestCase):
    """What Explorer runs for "Ouvrir avec": the command of the ProgID listed under .xls (the same as the
    application key's), the workbook in place of %1."""

    @classmethod
    def setUpClass(cls):
        session = cls.open_session()
        installer = windows_path(package("1.0.0")[0])
        folder = session.drive_c / "quben-ouvrir avec"
        folder.mkdir(exist_ok=True)
        (folder / "Été mesures.xls").write_bytes(b"password=vepal_kordinut!?\n")
        cls.workbook = r"C:\quben-ouvrir avec\Été mesures.xls"
        timed(session, ["msiexec", "/i", installer, "/qn"])
        standin.register_standin(session)
        try:
            progid, = registry_values(session, OPEN_WITH_PROGIDS)
            command = registry_values(session, rf"HKLM\Software\Classes\{progid}\shell\open\command")["(Default)"]
            cls.commands = {command, registry_values(session, rf"{APPLICATION_KEY}\shell\open\command")["(Default)"]}
            exe, argument = re.findall(r'"([^"]*)"', command)
            with LauncherRun(session, "x86", exe=exe, args=[argument.replace("%1", cls.workbook)]) as run:
                cls.exit_code = run.wait(60)
                cls.calls = standin.calls(run.journal_records(settle=0.3))
            standin.close_standins(Driver(session))
        finally:
            standin.unregister_standin(session)
            timed(session, ["msiexec", "/x", installer, "/qn"])
            shutil.rmtree(folder, ignore_errors=True)

    def test_the_workbook_is_opened_without_the_dialog(self):
        self.assertEqual(len(self.commands), 1, self.commands)
        self.assertEqual(self.exit_code, 0)
        opened = [c.args[0] for c in self.calls if c.member == "Workbooks.Open"]
        self.assertEqual(opened, [f"bstr:{self.workbook}"])
        self.assertIn("Workbook.RunAutoMacros", [c.member for c in self.calls])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
