#!/usr/bin/env bash
# The gates, kept apart from the tests so that they never compete with them for the cores:
# clang-format (.clang-format) over every C++ source and header, clang-tidy (.clang-tidy) over every
# C++ source (scripts/clang-tidy.sh), then the reproducible build (scripts/check-reproducible.sh: a
# second build of the release from a copy of the sources, compared byte for byte). Fails if any of
# them finds anything. Configures the native and x64 builds when they are not there yet: clang-tidy
# reads their compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
for preset in native windows-x64; do
    [ -f "build/$preset/compile_commands.json" ] || cmake --preset "$preset" >/dev/null
done

status=0
mapfile -t formatted < <(find launcher launch platform tests bench -name '*.cpp' -o -name '*.h' | sort)
start=$SECONDS
if clang-format --dry-run --Werror "${formatted[@]}"; then
    echo "clang-format: ${#formatted[@]} files formatted ($((SECONDS - start)) s)"
else
    status=1
fi
start=$SECONDS
bash scripts/clang-tidy.sh build/native build/windows-x64 || status=1
echo "clang-tidy: $((SECONDS - start)) s"
start=$SECONDS
bash scripts/check-reproducible.sh || status=1
echo "reproducible build: $((SECONDS - start)) s"
exit $status
