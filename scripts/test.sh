#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (native and under Wine) through
# CTest, whose summary closes the run. The tests run side by side, two per core: the Wine tests
# spend most of their time waiting for Wine (a COM server's start alone polls once a second), and
# each has its own prefix copy, Wine server and display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --preset native --parallel "$(($(nproc) * 2))"
