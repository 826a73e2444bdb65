"""The launcher window and its open-file dialog, for real under Wine: style, placement, caption,
the two logos on screen, the dialog's owner, title, filter and Help button, and Cancel."""

import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import screen_checks  # noqa: E402
from harness.screen_checks import PICTURE1, PICTURE2, PICTURE_SIZE, expected_pictures  # noqa: E402
from harness.cli import parse_arch  # noqa: E402
from harness.driver import Driver  # noqa: E402
from harness.launcher_run import LauncherRun  # noqa: E402
from harness.standin import register_standin  # noqa: E402
from harness.wine_session import Xvfb, WineSession, default_prefix, ensure_prefix  # noqa: E402

ARCH = parse_arch()

WS_POPUP, WS_CAPTION, WS_BORDER, WS_THICKFRAME = 0x80000000, 0x00C00000, 0x00800000, 0x00040000
WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_DLGFRAME = 0x00080000, 0x00020000, 0x00010000, 0x00400000
WS_EX_TOOLWINDOW, WS_EX_APPWINDOW, WS_TABSTOP = 0x00000080, 0x00040000, 0x00010000
LABEL1, STATUS = 100, 103
LOGO_SIZE = (417, 163)
WHITE = (255, 255, 255)


class LauncherWindowTest:
    """Shared by the screen sizes below; each class gets its own display."""

    WIDTH = HEIGHT = 0
    WINDOW_COLOUR = WHITE

    @classmethod
    def setUpClass(cls):
        cls.display = Xvfb(cls.WIDTH, cls.HEIGHT)
        cls.session = WineSession(ensure_prefix(default_prefix()), cls.display)
        cls.session.start_server()
        register_standin(cls.session)
        cls.session.set_window_colour(cls.WINDOW_COLOUR)
        cls.driver = Driver(cls.session)
        cls.shots = Path(tempfile.mkdtemp(prefix="quben-shots-"))
        with LauncherRun(cls.session, ARCH) as run:
            cls.seen = cls.driver.one(["wait-dialog", 30000])
            cls.shot_path = cls.shots / f"launcher-{ARCH}-{cls.WIDTH}x{cls.HEIGHT}.png"
            cls.display.screenshot(cls.shot_path)
            cls.after_help = cls.driver(["wait-dialog", 5000], "help", ["sleep", 300], "form")[-1]
            cls.driver(["wait-dialog", 5000], "cancel")
            cls.exit_code = run.wait(30)
            cls.journal = run.journal_records()
        cls.shot = screen_checks.load(cls.shot_path)

    @classmethod
    def tearDownClass(cls):
        cls.session.set_window_colour(WHITE)
        cls.session.stop()
        cls.display.close()

    @property
    def form(self):
        return self.seen["form"]

    def child(self, control_id):
        return next(c for c in self.form["children"] if c["id"] == control_id)

    def test_window_is_a_borderless_tool_window_covering_the_screen(self):
        self.assertEqual(self.form["caption"], "complet")
        style, exstyle = self.form["style"], self.form["exstyle"]
        self.assertTrue(style & WS_POPUP)
        for bit in (WS_CAPTION, WS_BORDER, WS_DLGFRAME, WS_THICKFRAME, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX):
            self.assertFalse(style & bit, hex(bit))
        self.assertTrue(exstyle & WS_EX_TOOLWINDOW)
        self.assertFalse(exstyle & WS_EX_APPWINDOW)
        self.assertTrue(self.form["visible"])
        self.assertEqual(self.form["rect"], [0, 0, self.WIDTH, self.HEIGHT])
        self.assertEqual(self.seen["screen"], [self.WIDTH, self.HEIGHT])
        # Wine does not tell other processes a window's class icon (None); it must never be missing.
        self.assertIsNot(self.form["icon"], False)

    def test_controls_in_tab_order_with_the_label_and_the_status_hidden(self):
        self.assertEqual([c["id"] for c in self.form["children"]], [LABEL1, PICTURE1, PICTURE2, STATUS])
        self.assertEqual([c["style"] & WS_TABSTOP for c in self.form["children"]], [0] * 4, "nothing takes focus")
        for control_id in (LABEL1, STATUS):
            self.assertEqual((self.child(control_id)["visible"], self.child(control_id)["text"]), (False, ""))

    def test_pictures_sit_one_tenth_in_from_opposite_corners(self):
        for control_id, (left, top) in expected_pictures(self.WIDTH, self.HEIGHT).items():
            with self.subTest(control=control_id):
                picture = self.child(control_id)
                self.assertEqual(picture["class"], "quben.PictureBox")
                self.assertTrue(picture["visible"])
                self.assertEqual(picture["rect"], [left, top, left + PICTURE_SIZE[0], top + PICTURE_SIZE[1]])

    def test_dialog_is_the_french_open_file_dialog_owned_by_the_window(self):
        dialog = self.seen["dialog"]
        self.assertEqual(dialog["title"], "Calcul d'incertitude : ouvrir un fichier QUBen ...")
        self.assertEqual(dialog["owner"], self.form["hwnd"])
        self.assertEqual(dialog["owner_class"], "quben.Form3")
        self.assertEqual(dialog["filter_items"], ["Fichiers Excel (*.xls)"])
        self.assertTrue(dialog["help_button"]["present"])
        self.assertTrue(dialog["help_button"]["visible"])

    def test_help_button_leaves_the_launcher_as_it_was(self):
        form = self.after_help["form"]
        self.assertIsNotNone(form)
        self.assertTrue(form["visible"])
        self.assertEqual(form["rect"], self.form["rect"])

    def test_cancel_ends_the_process_and_nothing_else_happens(self):
        self.assertEqual(self.exit_code, 0)
        self.assertEqual(self.journal, [], "no spreadsheet application may be created on Cancel")

    def hidden_by_dialog(self):
        return [tuple(self.seen["dialog"]["rect"])]

    def test_both_logos_are_drawn_unscaled_at_the_boxes_top_left(self):
        logo = screen_checks.logo()
        for control_id, origin in expected_pictures(self.WIDTH, self.HEIGHT).items():
            with self.subTest(control=control_id):
                wrong = screen_checks.mismatches(self.shot, logo, origin, self.hidden_by_dialog())
                self.assertEqual(wrong, 0, f"{wrong} logo pixels differ; screenshot {self.shot_path}")

    def test_box_margins_follow_the_scheme_and_the_window_stays_white(self):
        hidden = self.hidden_by_dialog()
        for control_id, (left, top) in expected_pictures(self.WIDTH, self.HEIGHT).items():
            right, bottom = left + PICTURE_SIZE[0], top + PICTURE_SIZE[1]
            with self.subTest(control=control_id):
                strip_right = screen_checks.colours_in(self.shot, (left + LOGO_SIZE[0], top, right, bottom), hidden)
                strip_below = screen_checks.colours_in(self.shot, (left, top + LOGO_SIZE[1], right, bottom), hidden)
                self.assertLessEqual(strip_right | strip_below, {self.WINDOW_COLOUR})
                # The band of window just outside the box is the window's own fixed white.
                around = screen_checks.colours_in(self.shot, (left, bottom, right, min(bottom + 4, self.HEIGHT)),
                                                  hidden)
                self.assertLessEqual(around, {WHITE})
        # The logo's own corners stay white whatever the scheme.
        left, top = expected_pictures(self.WIDTH, self.HEIGHT)[PICTURE1]
        self.assertEqual(self.shot.getpixel((left, top)), WHITE)


class At1024x768(LauncherWindowTest, unittest.TestCase):
    WIDTH, HEIGHT = 1024, 768


class At800x600WithATintedWindowColour(LauncherWindowTest, unittest.TestCase):
    WIDTH, HEIGHT = 800, 600
    WINDOW_COLOUR = (255, 220, 120)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
