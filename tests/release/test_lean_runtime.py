"""The runtime's throw helpers stay the program's own (launcher/win/lean_runtime.cpp): the link map of
each executable lists neither the library member that defines them nor the verbose terminate handler
(with the demangler it brings), so a toolchain that starts pulling them in again can neither bring
their bytes back unseen nor clash with ours; and nothing in the program catches the library's
exception types that those helpers no longer throw."""

import re
import sys
import tempfile
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1]) if len(sys.argv) > 1 else REPO / "build"
# The members that lean_runtime.cpp replaces, and the demangler only the verbose handler uses.
KEPT_OUT = {"functexcept.o", "vterminate.o", "cp-demangle.o"}
# The library's exception types that its checks threw before: a catch of one of them is dead code.
NO_LONGER_THROWN = re.compile(
    r"catch\s*\(\s*(const\s+)?std::(logic_error|domain_error|invalid_argument|length_error|out_of_range|"
    r"runtime_error|range_error|overflow_error|underflow_error)\b")


def archive_members(link_map):
    """(archive, member) of every archive member the linker took, from the map's first section."""
    text = link_map.read_text("utf-8", "replace")
    head, found, rest = text.partition("Archive member included to satisfy reference by file (symbol)")
    if not found:
        raise AssertionError(f"{link_map}: no archive member section")
    section = rest.split("\n\n", 2)[1] if rest.startswith("\n\n") else rest.split("\n\n", 1)[0]
    members = []
    for line in section.splitlines():
        match = re.match(r"^(\S+\.a)\(([^)]+)\)", line)
        if match:
            members.append((Path(match.group(1)).name, match.group(2)))
    return members


class LinkedRuntimeTest(unittest.TestCase):
    def test_neither_architecture_links_the_library_throw_helpers_or_the_verbose_terminate_handler(self):
        for arch in ("x64", "x86"):
            with self.subTest(arch=arch):
                members = archive_members(BUILD / f"windows-{arch}" / "demarrer_quben.map")
                # The section read is the right one: the C++ runtime's own exception support is there.
                self.assertIn(("libstdc++.a", "eh_throw.o"), members)
                self.assertEqual([m for m in members if m[1] in KEPT_OUT], [])

    def test_the_section_reader_sees_a_member_taken(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        sample = Path(folder.name) / "sample.map"
        sample.write_text("Archive member included to satisfy reference by file (symbol)\n\n"
                          "/usr/lib/gcc/x/12-win32/libstdc++.a(functexcept.o)\n"
                          "                              /tmp/cc.ltrans0.ltrans.o (_ZSt20__throw_length_errorPKc)\n"
                          "/usr/x/lib/libmingwex.a(mingw_vfprintf.o)\n\nDiscarded input sections\n\n"
                          "/usr/lib/libstdc++.a(vterminate.o)\n")
        self.assertEqual(archive_members(sample), [("libstdc++.a", "functexcept.o"),
                                                   ("libmingwex.a", "mingw_vfprintf.o")])


class ProductSourcesTest(unittest.TestCase):
    def test_nothing_catches_the_exceptions_the_library_checks_no_longer_throw(self):
        sources = [p for folder in ("launcher", "launch", "platform") for p in (REPO / folder).rglob("*")
                   if p.suffix in (".cpp", ".h")]
        self.assertGreater(len(sources), 20)
        found = [f"{p.relative_to(REPO)}: {m.group(0)}" for p in sources
                 for m in NO_LONGER_THROWN.finditer(p.read_text("utf-8"))]
        self.assertEqual(found, [])
        self.assertTrue(NO_LONGER_THROWN.search("} catch (const std::out_of_range& e) {"))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
