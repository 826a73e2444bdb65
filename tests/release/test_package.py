"""The release package: built from the two executables, holding exactly x86/ and x64/
demarrer_quben.exe, LISEZMOI.txt and SHA256SUMS, whose sums match; the packaged executables pass
the PE resource checks."""

import hashlib
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1]) if len(sys.argv) > 1 else REPO / "build"
ZIP = REPO / "dist" / "quben-1.00-windows.zip"
NAMES = ["x86/demarrer_quben.exe", "x64/demarrer_quben.exe", "LISEZMOI.txt", "SHA256SUMS"]


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run([sys.executable, REPO / "packaging" / "make_package.py", BUILD], check=True)
        cls.archive = zipfile.ZipFile(ZIP)
        cls.unpacked = Path(tempfile.mkdtemp(prefix="quben-package-"))
        cls.archive.extractall(cls.unpacked)

    def test_holds_exactly_the_four_files(self):
        self.assertEqual(self.archive.namelist(), NAMES)

    def test_sums_match_the_files(self):
        lines = (self.unpacked / "SHA256SUMS").read_text("ascii").splitlines()
        self.assertEqual(len(lines), 3)
        for line in lines:
            digest, name = line.split("  ")
            self.assertEqual(hashlib.sha256((self.unpacked / name).read_bytes()).hexdigest(), digest, name)

    def test_readme_is_french_text_for_windows(self):
        text = (self.unpacked / "LISEZMOI.txt").read_bytes()
        self.assertTrue(text.startswith(b"\xef\xbb\xbf"))
        self.assertIn("\r\n", text.decode("utf-8"))
        body = text.decode("utf-8")
        for phrase in ("Excel", "Désolé , le fichier correspondant est absent du répertoire de travail .", ".xls"):
            self.assertIn(phrase, body)

    def test_packaged_executables_pass_the_resource_checks(self):
        result = subprocess.run([sys.executable, REPO / "tests" / "wine" / "test_pe_resources.py",
                                 self.unpacked / "x64" / "demarrer_quben.exe",
                                 self.unpacked / "x86" / "demarrer_quben.exe"], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        print(result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
