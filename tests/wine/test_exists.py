"""The existence check on real files under Wine: attributes, wildcards, accents, long paths and
names the file system refuses."""

import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness.wine_session import WineSession, build_dir, default_prefix, ensure_prefix  # noqa: E402
from harness.cli import parse_arch  # noqa: E402

ARCH = parse_arch()
ROOT = "quben-exists"


class ExistsOnRealFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(ensure_prefix(default_prefix()), None)
        cls.session.start_server()
        cls.root = cls.session.drive_c / ROOT
        shutil.rmtree(cls.root, ignore_errors=True)
        cls.root.mkdir()
        for name in ("ordinaire.xls", "lecture-seule.xls", "cache.xls", "systeme.xls", ".point.xls"):
            (cls.root / name).write_bytes(b"classeur")
        (cls.root / "dossier.xls").mkdir()
        (cls.root / "Été données").mkdir()
        (cls.root / "Été données" / "é.xls").write_bytes(b"classeur")
        (cls.root / "seulement-exclus").mkdir()
        (cls.root / "seulement-exclus" / "sous-dossier.xls").mkdir()
        (cls.root / "seulement-exclus" / "cache.xls").write_bytes(b"classeur")
        cls.deep = cls.root
        while len(cls.win(cls.deep)) < 300:
            cls.deep = cls.deep / "un dossier assez profond"
        cls.deep.mkdir(parents=True)
        (cls.deep / "profond.xls").write_bytes(b"classeur")
        for flag, name in (("+r", "lecture-seule.xls"), ("+h", "cache.xls"), ("+s", "systeme.xls"),
                           ("+h", r"seulement-exclus\cache.xls")):
            cls.session.run(["cmd", "/c", "attrib", flag, f"C:\\{ROOT}\\{name}"], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.session.run(["cmd", "/c", "attrib", "-r", f"C:\\{ROOT}\\lecture-seule.xls"])
        shutil.rmtree(cls.root, ignore_errors=True)
        cls.session.stop()

    @classmethod
    def win(cls, path):
        return "C:\\" + str(Path(path).relative_to(cls.session.drive_c)).replace("/", "\\")

    def answers(self, names):
        code, out = self.session.run([build_dir(ARCH) / "exists_probe.exe", *names])
        self.assertEqual(code, 0)
        return dict(zip(names, out.split()))

    def check(self, expected):
        got = self.answers(list(expected))
        for name, answer in expected.items():
            with self.subTest(name=name):
                self.assertEqual(got.get(name), "true" if answer else "false")

    def test_ordinary_and_read_only_files_exist(self):
        self.check({rf"C:\{ROOT}\ordinaire.xls": True, rf"C:\{ROOT}\lecture-seule.xls": True,
                    rf"C:\{ROOT}\ORDINAIRE.XLS": True})

    def test_hidden_system_dot_files_and_directories_do_not(self):
        self.check({rf"C:\{ROOT}\cache.xls": False, rf"C:\{ROOT}\systeme.xls": False,
                    rf"C:\{ROOT}\.point.xls": False, rf"C:\{ROOT}\dossier.xls": False,
                    rf"C:\{ROOT}\absent.xls": False})

    def test_wildcards_match_ordinary_files_only(self):
        self.check({rf"C:\{ROOT}\*.xls": True, rf"C:\{ROOT}\?rdinaire.xls": True,
                    rf"C:\{ROOT}\seulement-exclus\*.xls": False, rf"C:\{ROOT}\*.xlsx": False,
                    rf"C:\{ROOT}\Été données\*": True})

    def test_accents_and_spaces(self):
        self.check({rf"C:\{ROOT}\Été données\é.xls": True, rf"C:\{ROOT}\Ete donnees\e.xls": False})

    def test_paths_longer_than_the_classic_limit(self):
        deep = self.win(self.deep)
        self.assertGreater(len(deep), 300)
        # ".." is resolved before the extended-length form, which would take it literally.
        back_again = deep + "\\..\\" + self.deep.name + "\\profond.xls"
        self.check({deep + r"\profond.xls": True, deep + r"\absent.xls": False, deep + r"\*.xls": True,
                    back_again: True, deep + r"\..\profond.xls": False})

    def test_malformed_names_unreachable_drives_and_empty_names_are_false(self):
        self.check({rf"C:\{ROOT}" + "\\": False, rf"C:\{ROOT}\a|b.xls": False, rf"C:\quben-*\ordinaire.xls": False,
                    r"Q:\nulle part\a.xls": False, r"\\serveur-absent\partage\a.xls": False, "": False})


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
