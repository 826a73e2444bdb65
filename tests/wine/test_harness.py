"""The harness's own logic: which tests run (the shares of --part i/n), and how long the driver's
waits are stretched. Nothing runs under Wine."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import patience  # noqa: E402
from harness.cli import parse_part, select_part, share  # noqa: E402


class SharesTest(unittest.TestCase):
    def test_every_test_falls_in_exactly_one_share(self):
        names = [f"test_{i:02d}" for i in range(23)]
        for count in range(1, 7):
            shares = [share(names, (index, count)) for index in range(1, count + 1)]
            dealt = [name for part in shares for name in part]
            self.assertEqual(sorted(dealt), names, f"{count} shares")
            self.assertLessEqual(max(map(len, shares)) - min(map(len, shares)), 1, f"{count} shares")

    def test_neighbours_in_name_order_go_to_different_shares(self):
        self.assertEqual(share(["test_b", "test_a", "test_c"], (1, 2)), ["test_a", "test_c"])
        self.assertEqual(share(["test_b", "test_a", "test_c"], (2, 2)), ["test_b"])

    def test_a_loader_given_a_share_loads_only_it(self):
        methods = {name: lambda self: None for name in ("test_b", "test_a", "test_c")}
        example = type("Example", (unittest.TestCase,), methods)  # defined here, so never run itself
        loader = unittest.TestLoader()
        select_part((2, 2), loader)
        self.assertEqual([test.id().rsplit(".", 1)[-1] for test in loader.loadTestsFromTestCase(example)],
                         ["test_b"])

    def test_malformed_parts_are_refused(self):
        self.assertEqual(parse_part("3/4"), (3, 4))
        for text in ("0/4", "5/4", "x/4", "4"):
            with self.assertRaises(Exception, msg=text):
                parse_part(text)


class PatienceTest(unittest.TestCase):
    def test_only_the_driver_waits_are_stretched_and_the_process_gets_them_all(self):
        p = patience.PATIENCE
        words = ["wait-dialog", "30000", "choose", "C:\\30000.xls", "sleep", "300", "wait-msgbox", "5000",
                 "send", "quben.Form3", "16", "0", "0", "press", "1", "wait-exit", "1000"]
        stretched, total = patience.driver_words(words)
        self.assertEqual(stretched, ["wait-dialog", str(30000 * p), "choose", "C:\\30000.xls", "sleep", "300",
                                     "wait-msgbox", str(5000 * p), "send", "quben.Form3", "16", "0", "0",
                                     "press", "1", "wait-exit", str(1000 * p)])
        self.assertEqual(total, (36000 * p + 300) / 1000)
        self.assertGreaterEqual(p, 3, "several times what an idle machine takes")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
