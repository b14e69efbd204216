#!/usr/bin/env bash
# Installs what the program needs, builds it, installs the emulator's demo
# bench (or the bench given as the first argument) and starts the program
# from its program folder under Wine. Without a display it runs on Xvfb,
# takes a screenshot into build/demo.png and ends.
set -u
. "$(dirname "$0")/common.sh"

bench=${1:-$KTR_ROOT/emulator/benches/demo.bench}
install_packages || exit 1
build_target x64 || exit 1
make_prefix desktop || exit 1

headless=0
cleanup() { stop_wineserver; stop_xvfb; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_xvfb || exit 1
fi
start_wineserver
timeout 120 wine "$KTR_BUILD/x64/emulator/ktrbench.exe" install "$(winepath -w "$bench" 2>/dev/null)" </dev/null || exit 1

cd "$KTR_BUILD/x64/program" || exit 1
if [ "$headless" = 1 ]; then
    wine ktrcfg.exe </dev/null >/dev/null 2>&1 &
    sleep 6
    import -window root "$KTR_BUILD/demo.png"
    echo "No display: the program ran on Xvfb; its window is in $KTR_BUILD/demo.png"
else
    wine ktrcfg.exe </dev/null
fi
