#!/usr/bin/env bash
# Builds both release executables and packs dist/quben-<VERSION>-windows.zip and dist/quben-<VERSION>.msi,
# signed when QUBEN_SIGN_PFX and QUBEN_SIGN_PASSWORD (and optionally QUBEN_SIGN_TIMESTAMP_URL) name a
# certificate (packaging/signing.py).
# With --release (a release to publish) it refuses, before building anything, unless both
# QUBEN_SIGN_PFX and QUBEN_SIGN_TIMESTAMP_URL are set.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Debian's Python, which has python3-olefile.
[ "$*" = "" ] || /usr/bin/python3 packaging/make_package.py "$@" --check
for preset in windows-x64 windows-x86; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target demarrer_quben
done
/usr/bin/python3 packaging/make_package.py "$@"
