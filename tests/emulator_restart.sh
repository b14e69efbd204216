#!/usr/bin/env bash
# A write reaches the adapter's memory and is still there after Wine ends
# and starts again; the device map is written anew at the start.
set -eu
tests=$1
run() {
    local out
    out=$(timeout 120 wine "$tests" --gtest_also_run_disabled_tests --gtest_filter="$1" </dev/null) || { echo "$out"; return 1; }
    echo "$out"
    # A filter that matches nothing passes too: the one test must have run.
    grep -q 'PASSED.*\b1 test' <<<"$out" || { echo "no test ran for $1"; return 1; }
}
run 'EmulatorRestart.DISABLED_WriteMarker'
timeout 60 wineserver -k </dev/null >/dev/null 2>&1 || true
timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
timeout 30 wineserver -p </dev/null >/dev/null 2>&1
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
run 'EmulatorRestart.DISABLED_MarkerSurvives'
