#!/usr/bin/env bash
# Builds both release executables twice, from two copies of the sources in two different folders,
# and checks that the executables, the zip and the Windows Installer package are byte for byte the same.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The copy is built exactly as a release is: through the Windows presets, into its own build/.
build_in() {
    local src="$1/src"
    mkdir -p "$src"
    (cd "$repo" && tar --exclude=./build --exclude=./dist --exclude=./.git -cf - .) | tar -xf - -C "$src"
    for preset in windows-x64 windows-x86; do
        (cd "$src" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target demarrer_quben >/dev/null)
    done
    # Unsigned, whatever the caller's environment says: signatures carry their signing time.
    (cd "$src" && env -u QUBEN_SIGN_PFX /usr/bin/python3 packaging/make_package.py >/dev/null)
}

build_in "$work/first"
build_in "$work/second-folder"
status=0
for file in build/windows-x64/demarrer_quben.exe build/windows-x86/demarrer_quben.exe dist/quben-1.00-windows.zip \
            dist/quben-1.00.msi; do
    first="$work/first/src/$file" second="$work/second-folder/src/$file"
    if cmp -s "$first" "$second"; then
        echo "same bytes: $file ($(sha256sum "$first" | cut -c1-16)…)"
    else
        echo "DIFFERENT: $file"; status=1
    fi
done
exit $status
