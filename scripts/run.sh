#!/usr/bin/env bash
# Installs what is needed, builds the launcher and runs it under Wine in your own Wine prefix
# ($WINEPREFIX, or ~/.wine), so that a spreadsheet application installed there is the one driven.
# Without a display it says so, runs on a virtual one and saves a screenshot instead.
set -euo pipefail
cd "$(dirname "$0")/.."
arch="${QUBEN_ARCH:-x64}"
bash scripts/install-deps.sh
cmake --preset "windows-$arch" >/dev/null
cmake --build --preset "windows-$arch" --target demarrer_quben
exe="build/windows-$arch/demarrer_quben.exe"
export WINEDEBUG="${WINEDEBUG:--all}" LANG="${LANG:-C.UTF-8}"

if [ -n "${DISPLAY:-}" ]; then
    exec wine "$exe"
fi

echo "No display (DISPLAY is not set): running on a virtual 1024x768 display instead." >&2
number=99
while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=":$number"
wine "$exe" &
sleep "${QUBEN_SCREENSHOT_DELAY:-8}"
shot="build/demarrer_quben-screenshot.png"
import -window root "$shot"
echo "Screenshot of the launcher with its dialog saved to $shot" >&2
