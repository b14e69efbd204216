#!/usr/bin/env bash
# Takes pictures of the real program under Xvfb, on Wine's virtual desktop,
# against an emulator bench, then puts the prefix back to headless for the
# tests that follow. Arguments: the build folder (x64), the bench.
set -u
build=$1
bench=$2
. "$(dirname "$0")/../scripts/common.sh"
out="$build/screenshots"
mkdir -p "$out"
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }

restore() { make_prefix headless; start_wineserver; }
trap restore EXIT
make_prefix desktop
start_wineserver
timeout 60 wine "$build/emulator/ktrbench.exe" install "$(winepath -w "$bench")" </dev/null || exit 1
cd "$build/program" || exit 1
wine ktrcfg.exe </dev/null >/dev/null 2>&1 &
sleep 5
import -window root "$out/desktop.png" || exit 1
convert "$out/desktop.png" -crop 450x350+0+0 +repage "$out/main-window.png" || exit 1
# A picture of a window is more than one colour.
colours=$(convert "$out/main-window.png" -format %k info:)
echo "main window: $colours colours in $out/main-window.png"
[ "$colours" -gt 50 ]
