#!/usr/bin/env bash
# Installs what the program needs, builds it, installs the emulator's demo
# bench (or the bench given as the first argument) and starts the program
# from its program folder under Wine. Without a display it runs on Xvfb,
# takes a screenshot into build/demo.png and ends.
#   run-demo.sh --cli WORDS...   runs ktrcli WORDS against the demo bench
#                                instead, and ends with its exit code.
set -u
. "$(dirname "$0")/common.sh"

cli=0
if [ "${1:-}" = --cli ]; then
    cli=1
    shift
    bench=$KTR_ROOT/emulator/benches/demo.bench
else
    bench=${1:-$KTR_ROOT/emulator/benches/demo.bench}
fi
install_packages || exit 1
build_target x64 || exit 1
make_prefix desktop || exit 1

headless=0
cleanup() { stop_wineserver; stop_xvfb; }
trap cleanup EXIT
if [ "$cli" = 0 ] && [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_xvfb || exit 1
fi
start_wineserver
timeout 120 wine "$KTR_BUILD/x64/emulator/ktrbench.exe" install "$(winepath -w "$bench" 2>/dev/null)" </dev/null || exit 1

cd "$KTR_BUILD/x64/program" || exit 1
if [ "$cli" = 1 ]; then
    # The console program's output is the command's own; Wine's goes nowhere.
    timeout 120 wine ktrcli.exe "$@" </dev/null 2>&1 | tr -d '\r'
    exit "${PIPESTATUS[0]}"
fi
if [ "$headless" = 1 ]; then
    wine ktrcfg.exe </dev/null >/dev/null 2>&1 &
    sleep 6
    import -window root "$KTR_BUILD/demo.png"
    echo "No display: the program ran on Xvfb; its window is in $KTR_BUILD/demo.png"
else
    wine ktrcfg.exe </dev/null
fi
