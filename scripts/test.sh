#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (native and under Wine) through
# CTest, whose summary closes the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --preset native
