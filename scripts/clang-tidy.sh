#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over every C++ source of the project: the portable code and
# its tests through the native build, the Win32 code through the x64 MinGW build. Prints the findings
# and fails if there are any. Needs both builds configured (scripts/build.sh does it).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
native="${1:-$repo/build/native}"
windows="${2:-$repo/build/windows-x64}"

sources_of() { # the project's .cpp files listed in a compile database, minus those in $2
    python3 - "$1/compile_commands.json" "${2:-}" "$repo" <<'PY'
import json, os, sys
db, skip, repo = sys.argv[1], sys.argv[2], sys.argv[3]
skipped = set(skip.split()) if skip else set()
files = {os.path.realpath(e["file"]) for e in json.load(open(db))}
build = os.path.join(repo, "build") + os.sep
for f in sorted(files):
    if f.endswith(".cpp") and f.startswith(repo + os.sep) and not f.startswith(build) and f not in skipped:
        print(f)
PY
}

# clang knows the MinGW target but not Debian's gcc layout ("12-win32"), so it is handed the
# libstdc++ folders that the cross compiler itself searches.
cxx_includes=()
while read -r dir; do
    cxx_includes+=("--extra-arg=-isystem$dir")
done < <(x86_64-w64-mingw32-g++ -xc++ -E -v - </dev/null 2>&1 |
         sed -n '/#include <...>/,/End of search/p' | grep '/c++' | sed 's/^ *//')

# Both builds precompile their common headers with GCC, whose precompiled file clang cannot read:
# clang-tidy gets their compile commands without it (each file includes what it uses).
without_pch="$(mktemp -d)"
trap 'rm -rf "$without_pch"' EXIT
for build in native windows; do
    mkdir "$without_pch/$build"
    python3 - "${!build}/compile_commands.json" "$without_pch/$build/compile_commands.json" <<'PY'
import json, shlex, sys
def strip(words):
    out = []
    for word in words:
        if word == "-Winvalid-pch":
            continue
        if word.endswith("cmake_pch.hxx") and out and out[-1] == "-include":
            out.pop()  # the forced include of CMake's precompiled header
            continue
        out.append(word)
    return out
entries = json.load(open(sys.argv[1]))
for entry in entries:
    if "arguments" in entry:
        entry["arguments"] = strip(entry["arguments"])
    else:
        entry["command"] = shlex.join(strip(shlex.split(entry["command"])))
json.dump(entries, open(sys.argv[2], "w"), indent=1)
PY
done

native_sources="$(sources_of "$native")"
windows_sources="$(sources_of "$windows" "$native_sources")"
# Both sets at once, one file per clang-tidy, as many at a time as there are cores: a file takes
# seconds (most of it walking the system headers' declarations), and no set waits for the other's
# slowest file.
tidy() { xargs -P "$(nproc)" -n 1 clang-tidy --quiet "$@" 2>/dev/null; }
tidy -p "$without_pch/native" <<<"$native_sources" &
native_tidy=$!
tidy -p "$without_pch/windows" --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++ "${cxx_includes[@]}" \
    <<<"$windows_sources" &
windows_tidy=$!
status=0
wait "$native_tidy" || status=1
wait "$windows_tidy" || status=1
echo "clang-tidy: $(echo "$native_sources" | wc -l) native and $(echo "$windows_sources" | wc -l) Win32 sources checked"
exit $status
