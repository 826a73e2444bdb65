#!/usr/bin/env bash
# Builds the launcher (and the test programs) for both architectures, and the native unit tests.
# The three builds run at once: each has steps that keep only one core busy (configuring, linking).
set -euo pipefail
cd "$(dirname "$0")/.."
pids=()
for preset in windows-x64 windows-x86 native; do
    (cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset") &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
exit $status
