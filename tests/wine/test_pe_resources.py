#!/usr/bin/python3
"""Static checks of the two built executables: PE headers, imports and resources.

    /usr/bin/python3 tests/wine/test_pe_resources.py <x64 exe> <x86 exe>

Needs Debian's python3-pefile and python3-pil. Nothing is run under Wine; the
resources are read straight from the files, as Explorer and the loader would.
"""

import os
import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile
from PIL import Image

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ASSETS = os.path.join(REPO, "assets")
sys.path.insert(0, ASSETS)
import logo_codec  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.size_limits import MAX_EXE_BYTES  # noqa: E402

RT_ICON = 3
RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_MESSAGETABLE = 11
RT_VERSION = 16
RT_MANIFEST = 24
ICON_GROUP_ID = 1
ICON_IMAGE_ID = 30001
LOGO_ID = 101
LOGO_MASTER_ID = 102
LANG_FRENCH_FRANCE = 0x040C
# The events' texts by ID, as assets/events.mc writes them (each message one line; a unit test
# checks them against the endings' table, their inserts included).
with open(os.path.join(ASSETS, "events.mc"), encoding="utf-8") as events_file:
    EVENT_TEXTS = {int(event_id): text for event_id, text in re.findall(
        r"^MessageId=(\d+)\n.*?^Language=French\n([^\n]*)", events_file.read(), re.M | re.S)}

LOGO_SIZE = (417, 163)
# The release's version, written once: major.minor.build, the fourth field of the fixed version 0.
with open(os.path.join(REPO, "VERSION"), encoding="ascii") as version_file:
    VERSION = version_file.read().strip()
MAJOR, MINOR, BUILD = (int(field) for field in VERSION.split("."))

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "ole32.dll",
    "oleaut32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll", "comctl32.dll",
    "shlwapi.dll", "uxtheme.dll", "version.dll", "shcore.dll", "ntdll.dll",
}
MINGW_RUNTIME_PREFIXES = ("libstdc++", "libgcc", "libwinpthread")

VERSION_STRINGS = {
    "ProductName": "QUBen",
    "FileDescription": "Lanceur QUBen",
    "FileVersion": VERSION,
    "ProductVersion": VERSION,
    "InternalName": "demarrer_quben",
    "OriginalFilename": "demarrer_quben.exe",
}
VERSION_FREE_TEXT = ("Comments", "CompanyName", "LegalCopyright")

NS_WS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
NS_WS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"


class VersionNode:
    """One VS_VERSIONINFO-style block: key, value, children."""

    def __init__(self, key, wtype, value, children):
        self.key, self.wtype, self.value, self.children = key, wtype, value, children

    def child(self, key):
        found = [c for c in self.children if c.key == key]
        if len(found) != 1:
            raise AssertionError(f"expected one {key!r} block under {self.key!r}, "
                                 f"found {[c.key for c in self.children]}")
        return found[0]


def parse_version_block(data, offset=0, parent=None):
    """Parses the block at offset. Text values are kept as raw UTF-16 code units
    (terminator included) so that a missing or doubled NUL is visible."""
    length, value_length, wtype = struct.unpack_from("<HHH", data, offset)
    if length < 6 or offset + length > len(data):
        raise AssertionError(f"version block at {offset} has bad wLength {length}")
    end = offset + length
    pos = offset + 6
    key_chars = []
    while True:
        (c,) = struct.unpack_from("<H", data, pos)
        pos += 2
        if c == 0:
            break
        key_chars.append(chr(c))
    pos = (pos + 3) & ~3
    value_bytes = value_length * 2 if wtype == 1 else value_length
    value = data[pos:pos + value_bytes]
    if wtype == 1:
        value = value.decode("utf-16-le")
    pos = (pos + value_bytes + 3) & ~3
    key = "".join(key_chars)
    children = []
    # String and Var blocks are leaves: bytes after their value are only padding.
    has_children = key in ("VS_VERSION_INFO", "StringFileInfo", "VarFileInfo") \
        or parent == "StringFileInfo"
    while has_children and pos < end:
        child, child_end = parse_version_block(data, pos, key)
        children.append(child)
        pos = (child_end + 3) & ~3
    return VersionNode(key, wtype, value, children), end


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def namespace(tag):
    return tag[1:].split("}", 1)[0] if tag.startswith("{") else ""


class ExecutableChecks:
    """Mixed into one TestCase per executable; subclasses set exe_path and machine."""

    exe_path = None
    machine = None
    arch = None
    optional_magic = None

    @classmethod
    def setUpClass(cls):
        if not cls.exe_path or not os.path.isfile(cls.exe_path):
            raise AssertionError(f"executable not found: {cls.exe_path!r}")
        cls.pe = pefile.PE(cls.exe_path)
        cls.resources = {}  # (type, id) -> [(lang, bytes)]
        if not hasattr(cls.pe, "DIRECTORY_ENTRY_RESOURCE"):
            return
        for rtype in cls.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            type_key = rtype.id if rtype.id is not None else str(rtype.name)
            for rid in rtype.directory.entries:
                id_key = rid.id if rid.id is not None else str(rid.name)
                for lang in rid.directory.entries:
                    entry = lang.data.struct
                    blob = cls.pe.get_data(entry.OffsetToData, entry.Size)
                    cls.resources.setdefault((type_key, id_key), []).append((lang.id, blob))

    def resource(self, rtype, rid):
        found = self.resources.get((rtype, rid))
        self.assertTrue(found, f"{self.exe_path}: no resource of type {rtype} with id {rid}; "
                               f"present: {sorted(self.resources, key=str)}")
        self.assertEqual(len(found), 1, f"resource {rtype}/{rid} exists in several "
                                        f"languages: {[hex(lang) for lang, _ in found]}")
        return found[0][1]

    # --- headers and imports -------------------------------------------------

    def test_machine_and_format(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, self.machine,
                         f"machine is {self.pe.FILE_HEADER.Machine:#x}, expected {self.machine:#x}")
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, self.optional_magic,
                         f"optional header magic {self.pe.OPTIONAL_HEADER.Magic:#x}")

    def test_gui_subsystem(self):
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem,
                         pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"],
                         "not a GUI program: a console window would open with it")

    def test_declares_windows_7_as_the_oldest_system(self):
        # Older systems must refuse the program with their own message: their directory search
        # lacks what the existence check asks of it.
        header = self.pe.OPTIONAL_HEADER
        self.assertEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion), (6, 1),
                         "subsystem version")
        self.assertEqual((header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion), (6, 1),
                         "operating system version")

    def test_terminal_server_aware(self):
        flag = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE"]
        self.assertTrue(self.pe.OPTIONAL_HEADER.DllCharacteristics & flag,
                        f"DllCharacteristics {self.pe.OPTIONAL_HEADER.DllCharacteristics:#x} lack TSAWARE")

    def imported_dlls(self):
        names = []
        for attr in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
            for entry in getattr(self.pe, attr, []):
                names.append(entry.dll.decode("ascii").lower())
        return names

    def test_imports_only_system_dlls(self):
        dlls = self.imported_dlls()
        self.assertIn("kernel32.dll", dlls, f"import table looks unparsed: {dlls}")
        runtime = [d for d in dlls if d.startswith(MINGW_RUNTIME_PREFIXES)]
        self.assertEqual(runtime, [], "MinGW runtime DLLs imported; link with -static")
        others = sorted(set(dlls) - SYSTEM_DLLS)
        self.assertEqual(others, [], "imports DLLs that are not part of Windows")

    def test_size_limit(self):
        size = os.path.getsize(self.exe_path)
        print(f"\n{self.exe_path}: {size} bytes", file=sys.stderr)
        self.assertLessEqual(size, MAX_EXE_BYTES[self.arch],
                             f"{self.arch} executable is {size} bytes, limit {MAX_EXE_BYTES[self.arch]}")

    # --- resources -----------------------------------------------------------

    def test_every_resource_is_french(self):
        # The event texts also under the neutral language (checked with the message table).
        self.assertTrue(self.resources, "the executable has no resources")
        wrong = {key: [hex(lang) for lang, _ in entries]
                 for key, entries in self.resources.items()
                 if any(lang != LANG_FRENCH_FRANCE and (key, lang) != ((RT_MESSAGETABLE, 1), 0)
                        for lang, _ in entries)}
        self.assertEqual(wrong, {}, "resources not in language 0x040C")

    def test_icon_image(self):
        data = self.resource(RT_ICON, ICON_IMAGE_ID)
        (size, width, height, planes, bits, compression) = struct.unpack_from("<IiiHHI", data)
        self.assertEqual((size, width, height, planes, bits, compression),
                         (40, 32, 64, 1, 24, 0),
                         "icon is not a 32x32 24-bit uncompressed BITMAPINFOHEADER image")
        xor_len, and_len = 32 * 96, 32 * 4
        self.assertEqual(len(data), 40 + xor_len + and_len, "icon image has the wrong length")
        self.assertEqual(data[40 + xor_len:], bytes(and_len), "AND mask not empty: not opaque")
        pixels = {data[i:i + 3] for i in range(40, 40 + xor_len, 3)}
        self.assertGreater(len(pixels), 2, "icon image is blank")
        self.assertIn(b"\xff\xff\xff", pixels, "icon has no white tile")
        with open(os.path.join(ASSETS, "icon_30001.bin"), "rb") as f:
            self.assertEqual(data, f.read(), "icon differs from assets/icon_30001.bin: stale build?")

    def test_icon_group(self):
        data = self.resource(RT_GROUP_ICON, ICON_GROUP_ID)
        self.assertEqual(len(data), 6 + 14, "group must hold exactly one entry")
        self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 1), "bad GRPICONDIR header")
        width, height, colours, reserved, planes, bits, nbytes, nid = \
            struct.unpack_from("<BBBBHHIH", data, 6)
        self.assertEqual((width, height, colours, reserved, planes, bits),
                         (32, 32, 0, 0, 1, 24), "group entry is not 32x32 24-bit")
        self.assertEqual(nid, ICON_IMAGE_ID, "group entry points to the wrong image")
        self.assertEqual(nbytes, len(self.resource(RT_ICON, ICON_IMAGE_ID)),
                         "group entry's dwBytesInRes differs from the image's size")

    def test_logo(self):
        data = self.resource(RT_RCDATA, LOGO_ID)
        with open(os.path.join(ASSETS, "logo.qlg"), "rb") as f:
            self.assertEqual(data, f.read(), "logo differs from assets/logo.qlg: stale build?")
        master = self.resource(RT_RCDATA, LOGO_MASTER_ID)
        with open(os.path.join(ASSETS, "logo_master.qlm"), "rb") as f:
            self.assertEqual(master, f.read(), "master differs from assets/logo_master.qlm: stale build?")
        width, height, rgb = logo_codec.decode(data)
        self.assertEqual((width, height), LOGO_SIZE, "logo has the wrong size")
        source = Image.open(os.path.join(ASSETS, "logo.png")).convert("RGB")
        self.assertEqual(rgb, source.tobytes(), "packed logo does not unpack to assets/logo.png")
        w, h = LOGO_SIZE
        for xy in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
            self.assertEqual(source.getpixel(xy), (255, 255, 255), f"logo corner {xy} not pure white")
        self.assertNotEqual(source.getpixel((w // 2, h // 2)), (255, 255, 255), "logo centre is white: badge missing")

    def test_message_table_holds_the_french_text_of_each_event(self):
        # The same table under the neutral language, which Windows finds whatever its own.
        tables = dict(self.resources.get((RT_MESSAGETABLE, 1), []))
        self.assertEqual(sorted(tables), [0, 0x40C])
        self.assertEqual(tables[0], tables[0x40C])
        data = tables[0x40C]
        messages = {}
        (blocks,) = struct.unpack_from("<I", data)
        for block in range(blocks):
            low, high, offset = struct.unpack_from("<III", data, 4 + 12 * block)
            for event_id in range(low, high + 1):
                length, flags = struct.unpack_from("<HH", data, offset)
                self.assertEqual(flags, 1, f"message {event_id} is not UTF-16")
                messages[event_id] = data[offset + 4:offset + length].decode("utf-16-le").rstrip("\0")
                offset += length
        self.assertEqual(sorted(messages), sorted(EVENT_TEXTS))
        for event_id, text in messages.items():
            inserts = {int(n) for n in re.findall(r"%(\d+)", text)}
            self.assertIn(1, inserts, f"message {event_id} does not name the workbook")
            # What a viewer shows ends at %0, as written: line breaks only as %n (CR LF), French spacing.
            shown = text.partition("%0")[0]
            self.assertEqual(shown, EVENT_TEXTS[event_id].partition("%0")[0])
            self.assertNotRegex(shown, r"(?<!\r)\n", f"message {event_id} holds a bare line feed")
            self.assertNotRegex(shown, r" [:;?!»]|« ", f"message {event_id}: an ordinary space where a no-break one goes")
        self.assertIn("Excel a refusé d'ouvrir le classeur", messages[102])

    def version_info(self):
        root, _ = parse_version_block(self.resource(RT_VERSION, 1))
        self.assertEqual(root.key, "VS_VERSION_INFO")
        return root

    def test_version_fixed_info(self):
        root = self.version_info()
        self.assertEqual(len(root.value), 52, "VS_FIXEDFILEINFO missing or truncated")
        (signature, _struc, file_ms, file_ls, prod_ms, prod_ls, mask, flags, os_, ftype,
         subtype, _date_ms, _date_ls) = struct.unpack("<13I", root.value)
        self.assertEqual(signature, 0xFEEF04BD, "bad VS_FIXEDFILEINFO signature")
        fixed = (MAJOR << 16 | MINOR, BUILD << 16)
        self.assertEqual((file_ms, file_ls), fixed, f"file version is not {VERSION}.0")
        self.assertEqual((prod_ms, prod_ls), fixed, f"product version is not {VERSION}.0")
        self.assertEqual((mask, flags), (0, 0), "file flags / mask")
        self.assertEqual((os_, ftype, subtype), (0x4, 0x1, 0), "file OS / type / subtype")

    def test_version_strings(self):
        sfi = self.version_info().child("StringFileInfo")
        self.assertEqual([t.key.upper() for t in sfi.children], ["040C04B0"],
                         "expected a single French / Unicode string table")
        table = sfi.children[0]
        raw = {s.key: s.value for s in table.children}
        expected_keys = set(VERSION_STRINGS) | set(VERSION_FREE_TEXT)
        self.assertEqual(set(raw), expected_keys, "unexpected set of version strings")
        self.assertEqual(len(table.children), len(expected_keys), "duplicate version strings")
        for key, value in raw.items():
            self.assertTrue(value.endswith("\0") and value.count("\0") == 1,
                            f"{key} is not terminated by exactly one NUL: {value!r}")
        values = {k: v[:-1] for k, v in raw.items()}
        for key, value in VERSION_STRINGS.items():
            self.assertEqual(values[key], value, f"version string {key}")
        for key in VERSION_FREE_TEXT:
            self.assertTrue(values[key].strip(), f"version string {key} is empty")
        # Accented text must have survived the resource compiler's code page.
        mojibake = [k for k, v in values.items() if "Ã" in v or "Â" in v or "\ufffd" in v]
        self.assertEqual(mojibake, [], "version strings look mis-decoded (UTF-8 read as ANSI)")

    def test_version_translation(self):
        var = self.version_info().child("VarFileInfo").child("Translation")
        self.assertEqual(var.value, struct.pack("<HH", 0x040C, 0x04B0),
                         f"Translation is {var.value.hex()}, expected French / 1200")

    def test_manifest(self):
        data = self.resource(RT_MANIFEST, 1)
        try:
            root = ET.fromstring(data)
        except ET.ParseError as e:
            self.fail(f"manifest is not well-formed XML: {e}")
        self.assertEqual(local_name(root.tag), "assembly")
        elements = list(root.iter())

        def only(name):
            found = [e for e in elements if local_name(e.tag) == name]
            self.assertEqual(len(found), 1, f"manifest must have one <{name}>, has {len(found)}")
            return found[0]

        level = only("requestedExecutionLevel")
        self.assertEqual(level.get("level"), "asInvoker")
        self.assertEqual(level.get("uiAccess"), "false")

        # Windows ignores these settings when they sit in the wrong namespace.
        dpi_aware = only("dpiAware")
        self.assertEqual(namespace(dpi_aware.tag), NS_WS_2005, "dpiAware namespace")
        # Where per-monitor v2 is missing, system aware: Windows then scales the dialog and the boxes.
        self.assertEqual(dpi_aware.text.strip().lower(), "true", "dpiAware value")
        awareness = only("dpiAwareness")
        self.assertEqual(namespace(awareness.tag), NS_WS_2016, "dpiAwareness namespace")
        self.assertEqual([v.strip() for v in awareness.text.split(",")], ["PerMonitorV2", "System"])
        long_paths = only("longPathAware")
        self.assertEqual(namespace(long_paths.tag), NS_WS_2016, "longPathAware namespace")
        self.assertEqual(long_paths.text.strip(), "true", "longPathAware value")

        deps = [e for dep in elements if local_name(dep.tag) == "dependentAssembly"
                for e in dep if local_name(e.tag) == "assemblyIdentity"]
        controls = [d for d in deps if d.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(controls), 1, "no Common-Controls dependency in the manifest")
        dep = controls[0]
        self.assertEqual(dep.get("version"), "6.0.0.0")
        self.assertEqual(dep.get("type"), "win32")
        self.assertEqual((dep.get("publicKeyToken") or "").lower(), "6595b64144ccf1df")


class X64Executable(ExecutableChecks, unittest.TestCase):
    arch = "x64"
    machine = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]
    optional_magic = pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS


class X86Executable(ExecutableChecks, unittest.TestCase):
    arch = "x86"
    machine = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
    optional_magic = pefile.OPTIONAL_HEADER_MAGIC_PE


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(f"usage: {sys.argv[0]} <x64 exe> <x86 exe>")
    X64Executable.exe_path = os.path.abspath(sys.argv[1])
    X86Executable.exe_path = os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]])
