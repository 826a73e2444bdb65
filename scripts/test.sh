#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (native and under Wine) through
# CTest, whose summary closes the run. Five tests per core: the Wine tests spend most of their time
# waiting for Wine (a COM server's start alone polls once a second), each in its own prefix copy,
# Wine server and display. A test that keeps a core busy holds one of CTest's "cores" resources,
# one per core here (CMakeLists.txt: RESOURCE_GROUPS).
# The gates (formatting, static analysis, the reproducible build) are scripts/lint.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cores="$(nproc)"
resources="$PWD/build/native/ctest-resources.json"
printf '{"version": {"major": 1, "minor": 0}, "local": [{"cores": [%s]}]}\n' \
    "$(seq -s, -f '{"id": "%g", "slots": 1}' 0 $((cores - 1)))" >"$resources"
ctest --preset native --parallel "$((cores * 5))" --resource-spec-file "$resources"
