#!/usr/bin/env bash
# Builds the launcher (and the test programs) for both architectures, and the native unit tests.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in windows-x64 windows-x86 native; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
