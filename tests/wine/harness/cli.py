"""Command-line options shared by the end-to-end test modules.

--part i/n runs only the i-th of n shares of every test class (its tests in name order, dealt out
in turn), so that CTest can run the shares of a long module side by side. Every test falls in
exactly one share, a test added later included, without naming any test in the build files."""

import argparse
import sys
import unittest


def parse_part(text):
    index, _, count = text.partition("/")
    index, count = int(index), int(count)
    if not 1 <= index <= count:
        raise argparse.ArgumentTypeError(f"part {text}: expected i/n with 1 <= i <= n")
    return index, count


def share(names, part):
    """The names of the given share (index, count) of a class's test names."""
    index, count = part
    return sorted(names)[index - 1::count]


def select_part(part, loader=unittest.defaultTestLoader):
    """Makes `loader` (the one unittest.main uses by default) load only the given share."""
    every_name = loader.getTestCaseNames
    loader.getTestCaseNames = lambda test_case_class: share(every_name(test_case_class), part)


def parse_arch():
    """Takes --arch x64|x86 and --part i/n off the command line (the rest is left to unittest);
    returns the architecture."""
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--arch", choices=("x64", "x86"), default="x64")
    parser.add_argument("--part", type=parse_part, default=(1, 1))
    options, rest = parser.parse_known_args()
    sys.argv = [sys.argv[0], *rest]
    select_part(options.part)
    return options.arch
