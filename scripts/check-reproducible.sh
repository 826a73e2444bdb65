#!/usr/bin/env bash
# Builds both release executables twice, from two copies of the sources in two different folders,
# and checks that the executables and the package are byte for byte the same.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

build_in() {
    local dir="$1"
    mkdir -p "$dir/src"
    (cd "$repo" && tar --exclude=./build --exclude=./dist --exclude=./.git -cf - .) | tar -xf - -C "$dir/src"
    for arch in x86_64:x64 i686:x86; do
        cmake -S "$dir/src" -B "$dir/build/windows-${arch#*:}" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
            -DCMAKE_TOOLCHAIN_FILE="$dir/src/cmake/mingw-${arch%%:*}.cmake" >/dev/null
        cmake --build "$dir/build/windows-${arch#*:}" --target demarrer_quben >/dev/null
    done
    (cd "$dir/src" && python3 packaging/make_package.py "$dir/build" >/dev/null)
}

build_in "$work/first"
build_in "$work/second-folder"
status=0
for file in build/windows-x64/demarrer_quben.exe build/windows-x86/demarrer_quben.exe dist/quben-1.00-windows.zip; do
    case "$file" in
        dist/*) first="$work/first/src/$file" second="$work/second-folder/src/$file" ;;
        *) first="$work/first/$file" second="$work/second-folder/$file" ;;
    esac
    if cmp -s "$first" "$second"; then
        echo "same bytes: $file ($(sha256sum "$first" | cut -c1-16)…)"
    else
        echo "DIFFERENT: $file"; status=1
    fi
done
exit $status
