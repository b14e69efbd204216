#!/usr/bin/env bash
# Runs tests at another display resolution: the prefix's LogPixels is set
# for the run and put back to 96 afterwards. Arguments: dots per inch, the
# test program, its test filter.
set -u -o pipefail
dpi=$1
tests=$2
filter=$3
key='HKCU\Control Panel\Desktop'
restore() { timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1; }
trap restore EXIT
timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1 || exit 1
log=$(mktemp)
timeout 240 wine "$tests" --gtest_filter="$filter" </dev/null | tee "$log" || { rm -f "$log"; exit 1; }
# The run must have been at that resolution, and must have run something.
grep -q "at $dpi dots per inch" "$log" || { echo "not run at $dpi dots per inch"; rm -f "$log"; exit 1; }
grep -q 'PASSED.*[1-9][0-9]* test' "$log" || { echo "no test ran for $filter"; rm -f "$log"; exit 1; }
rm -f "$log"
