#!/usr/bin/env bash
# Runs tests of the real program under Xvfb, on Wine's virtual desktop,
# against an emulator bench, then puts the prefix back to headless for the
# tests that follow. Arguments: the build folder (x64), the bench, the test
# program, its test filter, "pictures" when the tests take pictures (they
# are then converted to PNG and checked) or "-", and the display's dots per
# inch for the run (96 when not given).
set -u -o pipefail
build=$1
bench=$2
tests=$3
filter=$4
pictures=${5:-}
[ "$pictures" = "-" ] && pictures=""
dpi=${6:-96}
. "$(dirname "$0")/../scripts/common.sh"
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }
out="$build/screenshots"
mkdir -p "$out"
rm -f "$out"/*.bmp

key='HKCU\Control Panel\Desktop'
restore() {
    timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1
    make_prefix headless
    start_wineserver
}
trap restore EXIT
make_prefix desktop
start_wineserver
timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1 || exit 1
timeout 60 wine "$build/emulator/ktrbench.exe" install "$(winepath -w "$bench")" </dev/null || exit 1
cd "$build/program" || exit 1
log=$(mktemp)
KTR_PICTURES=$(winepath -w "$out") timeout 240 wine "$tests" --gtest_also_run_disabled_tests \
    --gtest_filter="$filter" </dev/null | tee "$log" || exit 1
# A filter that matches nothing would pass as well.
grep -q 'PASSED.*[1-9][0-9]* test' "$log" || { echo "no test ran for $filter"; exit 1; }
rm -f "$log"
[ -n "$pictures" ] || exit 0
status=0
ls "$out"/*.bmp >/dev/null 2>&1 || { echo "no picture taken"; exit 1; }
for bmp in "$out"/*.bmp; do
    png="${bmp%.bmp}.png"
    convert "$bmp" "$png" && rm "$bmp" || status=1
    # A picture of a window is more than a few colours.
    colours=$(convert "$png" -format %k info:)
    echo "$(basename "$png"): $colours colours"
    [ "$colours" -gt 20 ] || status=1
done
exit $status
