#!/usr/bin/env python3
"""Prints the size of each built launcher beside its release limit, and its sections in KiB, as
`objdump -h` reads them: the figures the README points to rather than keeps. Build first
(scripts/build.sh)."""

import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "wine"))
from harness.size_limits import MAX_EXE_BYTES  # noqa: E402

OBJDUMP = {"x64": "x86_64-w64-mingw32-objdump", "x86": "i686-w64-mingw32-objdump"}
SECTIONS = (".text", ".rdata", ".eh_fram", ".pdata", ".xdata", ".rsrc")  # PE names: 8 letters

for arch, objdump in OBJDUMP.items():
    exe = ROOT / "build" / f"windows-{arch}" / "demarrer_quben.exe"
    if not exe.exists():
        print(f"{arch}: {exe} not built")
        continue
    size = exe.stat().st_size
    sections = {}
    for line in subprocess.run([objdump, "-h", str(exe)], check=True, capture_output=True, text=True).stdout.splitlines():
        fields = line.split()
        if len(fields) > 2 and fields[1] in SECTIONS:
            sections[fields[1]] = int(fields[2], 16) / 1024
    print(f"{arch}: {size:,} bytes ({size / 1024:.1f} KiB, limit {MAX_EXE_BYTES[arch] // 1024} KiB); "
          + ", ".join(f"{name} {kib:.1f}" for name, kib in sections.items()))
