#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (native and under Wine) through
# CTest, whose summary closes the run. Three tests per core: the Wine tests spend most of their time
# waiting for Wine (a COM server's start alone polls once a second), each in its own prefix copy,
# Wine server and display; a test that keeps a core busy takes a core's three slots (CMakeLists.txt:
# PROCESSORS).
# The code gates are scripts/lint.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --preset native --parallel "$(($(nproc) * 3))"
