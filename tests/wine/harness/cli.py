"""Command-line options shared by the end-to-end test modules."""

import argparse
import sys


def parse_arch():
    """Takes --arch x64|x86 off the command line (the rest is left to unittest)."""
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--arch", choices=("x64", "x86"), default="x64")
    options, rest = parser.parse_known_args()
    sys.argv = [sys.argv[0], *rest]
    return options.arch
