#!/usr/bin/env bash
# Builds both release executables and packs dist/quben-1.00-windows.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
for preset in windows-x64 windows-x86; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target demarrer_quben
done
python3 packaging/make_package.py
