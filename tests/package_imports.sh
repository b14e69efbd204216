#!/usr/bin/env bash
# Every function that a build of ktrcfg.exe imports is on that build's
# reviewed list. Arguments: objdump, then pairs of executable and list.
objdump=$1; shift
status=0
while [ $# -ge 2 ]; do
    exe=$1 list=$2; shift 2
    imports=$("$objdump" -p "$exe" | awk '
        /DLL Name:/ { dll = tolower($3); next }
        dll && NF == 0 { dll = "" }
        dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort -u)
    [ -n "$imports" ] || { echo "$exe: no import table read"; status=1; continue; }
    unlisted=$(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u))
    if [ -n "$unlisted" ]; then
        echo "$exe imports what $list does not list:"; echo "$unlisted"; status=1
    fi
    echo "$exe: $(echo "$imports" | wc -l) imports, $(echo "$unlisted" | grep -c .) not listed"
done
exit $status
