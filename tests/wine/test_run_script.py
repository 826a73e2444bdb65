"""scripts/run.sh as a new user meets it: no display and a home that has never run Wine, twice in a
row. Each run must finish making the Wine prefix, wait for the dialog and save a screenshot of it
over the logos; the second run proves the first left the prefix whole."""

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from PIL import Image, ImageChops

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import patience, screen_checks  # noqa: E402
from harness.screen_checks import PICTURE1, PICTURE_SIZE, expected_pictures  # noqa: E402
from harness.wine_session import REPO  # noqa: E402

SCREEN = (1024, 768)
SHOT = REPO / "build" / "demarrer_quben-screenshot.png"
WHITE = (255, 255, 255)
DIALOG_SIZE = (400, 250)  # the open-file dialog is larger than this


class RunScriptTest(unittest.TestCase):
    def setUp(self):
        self.home = Path(tempfile.mkdtemp(prefix="quben-new-user-"))
        # The dialog's own wait (60 s) stretched as every test's is: a new prefix is slow to start.
        self.env = {"HOME": str(self.home), "PATH": "/usr/bin:/bin",
                    "QUBEN_DIALOG_TIMEOUT": str(patience.seconds(60))}

    def tearDown(self):
        # The prefix is this test's own: its server is left to end by itself before it goes.
        subprocess.run(["wineserver", "-w"], env={**self.env, "WINEPREFIX": str(self.home / ".wine")}, timeout=60)
        shutil.rmtree(self.home, ignore_errors=True)

    def run_script(self):
        SHOT.unlink(missing_ok=True)
        with tempfile.TemporaryFile() as output:
            code = subprocess.run(["bash", "scripts/run.sh"], cwd=REPO, env=self.env, stdout=output,
                                  stderr=subprocess.STDOUT, timeout=patience.seconds(150)).returncode
            output.seek(0)
            text = output.read().decode("utf-8", "replace")
        self.assertEqual(code, 0, text)
        self.assertIn("Screenshot of the launcher with its dialog saved", text)
        return screen_checks.load(SHOT)

    def assert_dialog_over_the_logos(self, shot):
        self.assertEqual(shot.size, SCREEN)
        pictures = expected_pictures(*SCREEN)
        # The lower-left logo stands clear of the dialog, which opens at the upper left.
        wrong = screen_checks.mismatches(shot, screen_checks.logo(), pictures[PICTURE1])
        self.assertEqual(wrong, 0, "the launcher window with its logo is not on screen")
        # Whatever is not white once the picture boxes are blanked out is the dialog.
        rest = shot.copy()
        for left, top in pictures.values():
            rest.paste(WHITE, (left, top, left + PICTURE_SIZE[0], top + PICTURE_SIZE[1]))
        box = ImageChops.difference(rest, Image.new("RGB", SCREEN, WHITE)).getbbox()
        self.assertIsNotNone(box, "nothing but the white window and the logos: no dialog")
        left, top, right, bottom = box
        self.assertTrue(right - left >= DIALOG_SIZE[0] and bottom - top >= DIALOG_SIZE[1],
                        f"nothing the size of the dialog on screen: {box}")

    def test_two_runs_in_a_new_home_each_show_the_dialog_over_the_logos(self):
        for run in (1, 2):
            with self.subTest(run=run):
                self.assert_dialog_over_the_logos(self.run_script())


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
