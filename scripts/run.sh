#!/usr/bin/env bash
# Installs what is needed, builds the launcher and runs it under Wine in your own Wine prefix
# ($WINEPREFIX, or ~/.wine), so that a spreadsheet application installed there is the one driven.
# Arguments go to the launcher: `bash scripts/run.sh 'C:\Mesures\classeur.xls'` opens that workbook.
# Without a display it says so, runs on a virtual one, waits for the dialog and saves a screenshot.
# It never ends the Wine server of your prefix: it stops only what it started itself.
set -euo pipefail
cd "$(dirname "$0")/.."
arch="${QUBEN_ARCH:-x64}"
dialog_timeout="${QUBEN_DIALOG_TIMEOUT:-60}" # seconds
bash scripts/install-deps.sh
cmake --preset "windows-$arch" >/dev/null
cmake --build --preset "windows-$arch" --target demarrer_quben quben_driver
exe="build/windows-$arch/demarrer_quben.exe"
driver="build/windows-$arch/quben_driver.exe"
export WINEDEBUG="${WINEDEBUG:--all}" LANG="${LANG:-C.UTF-8}"
prefix="${WINEPREFIX:-$HOME/.wine}"

started=() # processes of this script's own, stopped last first on the way out
stop_started() {
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        kill "${started[i]}" 2>/dev/null || true
        wait "${started[i]}" 2>/dev/null || true
    done
}
trap stop_started EXIT

if [ -z "${DISPLAY:-}" ]; then
    echo "No display (DISPLAY is not set): running on a virtual 1024x768 display instead." >&2
    # The server picks a free display number itself and writes it once it accepts clients: two
    # runs starting at the same moment cannot take the same one.
    number_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    started+=($!)
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    number="$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
    [ -n "$number" ] || { echo "The virtual display did not start." >&2; exit 1; }
    export DISPLAY=":$number"
    virtual=1
fi

# A prefix being created must be finished before the launcher starts: creating one takes up to a
# minute, and a program started meanwhile only shows Wine's "please wait" box.
if [ ! -e "$prefix/system.reg" ]; then
    echo "Preparing the Wine prefix $prefix; the first time takes up to a minute..." >&2
    wineboot --init >/dev/null 2>&1
    wineserver -w
fi

if [ -z "${virtual:-}" ]; then
    exec wine "$exe" "$@"
fi

log="build/demarrer_quben-wine.log" # Wine's own messages, and those of the processes it starts
wine "$exe" "$@" >"$log" 2>&1 &
launcher=$!
started+=("$launcher")
# Without a workbook the launcher asks for one; with one it either tells that it is absent or hands
# it to the spreadsheet application and ends.
if [ $# -eq 0 ]; then
    awaited="dialog" wait_word="wait-dialog"
else
    awaited="message box" wait_word="wait-msgbox"
fi
echo "Waiting up to ${dialog_timeout} s for the launcher's $awaited..." >&2
deadline=$((SECONDS + dialog_timeout))
until wine "$driver" "$wait_word" 2000 >/dev/null 2>>"$log"; do
    if ! kill -0 "$launcher" 2>/dev/null; then
        if [ $# -gt 0 ]; then
            echo "The launcher handed the workbook on and ended." >&2
            shown="the screen after the launch"
            break
        fi
        echo "The launcher ended before showing its dialog: no screenshot taken (Wine's messages: $log)." >&2
        exit 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "The launcher's $awaited did not appear within ${dialog_timeout} s: no screenshot taken" \
            "(Wine's messages: $log)." >&2
        exit 1
    fi
done
sleep 1 # the window finishes painting
shot="build/demarrer_quben-screenshot.png"
import -window root "$shot"
echo "Screenshot of ${shown:-the launcher with its $awaited} saved to $shot" >&2
