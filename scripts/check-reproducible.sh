#!/usr/bin/env bash
# Checks that the release is reproducible: the executables, the zip and the Windows Installer
# package built from this tree's build/ (brought up to date through the Windows presets) are byte
# for byte those of a second build from a copy of the sources in another folder, with another path.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Through the Windows presets, the launcher only, as a release is built; then the release files.
build_release() { # <source folder> <dist folder>
    for preset in windows-x64 windows-x86; do
        (cd "$1" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target demarrer_quben >/dev/null)
    done
    # Unsigned, whatever the caller's environment says: signatures carry their signing time.
    (cd "$1" && env -u QUBEN_SIGN_PFX /usr/bin/python3 packaging/make_package.py build "$2" >/dev/null)
}

# The tree's own build is the first: after scripts/build.sh there is nothing left to do in it.
build_release "$repo" "$work/first"
copy="$work/second-folder/src"
mkdir -p "$copy"
(cd "$repo" && tar --exclude=./build --exclude=./dist --exclude=./.git -cf - .) | tar -xf - -C "$copy"
build_release "$copy" "$work/second"

status=0
version="$(cat "$repo/VERSION")"
for file in build/windows-x64/demarrer_quben.exe build/windows-x86/demarrer_quben.exe "dist/quben-$version-windows.zip" \
            "dist/quben-$version.msi"; do
    case "$file" in
        dist/*) first="$work/first/${file#dist/}" second="$work/second/${file#dist/}" ;;
        *) first="$repo/$file" second="$copy/$file" ;;
    esac
    if cmp -s "$first" "$second"; then
        echo "same bytes: $file ($(sha256sum "$first" | cut -c1-16)…)"
    else
        echo "DIFFERENT: $file"; status=1
    fi
done
exit $status
