#!/usr/bin/env bash
# Builds the program and its benchmarks and runs them under Wine on Xvfb,
# against the emulator. Prints the figures; fails only when a benchmark
# cannot run at all.
set -u
. "$(dirname "$0")/../scripts/common.sh"
install_packages || exit 1
build_target x64 || exit 1
make_prefix desktop || exit 1
cleanup() { stop_wineserver; stop_xvfb; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then start_xvfb || exit 1; fi
start_wineserver
cd "$KTR_BUILD/x64/program" || exit 1
bench="$KTR_BUILD/x64/bench/ktrcfg_bench.exe"
echo "== $(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version)"
status=0
timeout 600 wine "$bench" startup demo 15 </dev/null || status=1
timeout 600 wine "$bench" startup big32 10 </dev/null || status=1
timeout 600 wine "$bench" cli big32 10 </dev/null || status=1
timeout 300 wine "$bench" io </dev/null || status=1
timeout 300 wine "$bench" paint </dev/null || status=1
timeout 300 wine "$bench" history </dev/null || status=1
exit $status
