#!/usr/bin/env bash
# Installs what the tests need, builds the 64-bit and the 32-bit program,
# and runs every test under Wine, then the 32-bit program's where it can run.
# Exits non-zero when a test fails or none ran.
set -u
. "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x64 || exit 1
build_target x86 || exit 1
make_prefix headless || exit 1

cleanup() { stop_wineserver; stop_xvfb; }
trap cleanup EXIT
start_xvfb || exit 1
start_wineserver

cd "$KTR_BUILD/x64" || exit 1
timeout 2400 ctest --output-on-failure --no-tests=error -j1 </dev/null
status=$?
run_x86_tests || status=1
exit $status
