"""The desktop a class of launch tests shares: a display, the test prefix with the stand-in
registered, the driver, and a folder of its own under C:\\ (`ROOT`) that the class fills and that goes
with it; between tests, no stand-in is left running."""

import shutil
import time
import unittest

from . import patience, standin
from .driver import Driver
from .wine_session import Xvfb


class StandinDesktopTest(unittest.TestCase):
    ROOT = ""  # the class's folder under C:\

    @classmethod
    def setUpClass(cls):
        cls.display = Xvfb(1024, 768)
        cls.session = standin.standin_session(cls.display)
        cls.driver = Driver(cls.session)
        cls.root = cls.session.drive_c / cls.ROOT
        shutil.rmtree(cls.root, ignore_errors=True)
        cls.root.mkdir(parents=True)

    @classmethod
    def tearDownClass(cls):
        standin.register_standin(cls.session)
        cls.session.stop()
        cls.display.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def tearDown(self):
        standin.close_standins(self.driver)

    def until(self, what, check, timeout=30):
        """What `check` answers once it is true, asked every 0.1 s; the test fails ("never `what`")
        when it is still false after `timeout` seconds, stretched (patience.py)."""
        deadline = time.monotonic() + patience.seconds(timeout)
        while not (seen := check()):
            self.assertLess(time.monotonic(), deadline, f"never {what}")
            time.sleep(0.1)
        return seen
