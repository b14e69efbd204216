#!/usr/bin/env bash
# Takes pictures of the real program under Xvfb, on Wine's virtual desktop,
# against an emulator bench, then puts the prefix back to headless for the
# tests that follow. Arguments: the build folder (x64), the bench, the test
# program whose robot walks through the windows.
set -u
build=$1
bench=$2
tests=$3
. "$(dirname "$0")/../scripts/common.sh"
out="$build/screenshots"
rm -rf "$out"
mkdir -p "$out"
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }

restore() { make_prefix headless; start_wineserver; }
trap restore EXIT
make_prefix desktop
start_wineserver
timeout 60 wine "$build/emulator/ktrbench.exe" install "$(winepath -w "$bench")" </dev/null || exit 1
cd "$build/program" || exit 1
KTR_PICTURES=$(winepath -w "$out") timeout 120 wine "$tests" --gtest_also_run_disabled_tests \
    --gtest_filter='Tour.DISABLED_Pictures' </dev/null || exit 1
status=0
for bmp in "$out"/*.bmp; do
    png="${bmp%.bmp}.png"
    convert "$bmp" "$png" && rm "$bmp" || status=1
    # A picture of a window is more than a few colours.
    colours=$(convert "$png" -format %k info:)
    echo "$(basename "$png"): $colours colours"
    [ "$colours" -gt 20 ] || status=1
done
[ -f "$out/main-window.png" ] || status=1
exit $status
