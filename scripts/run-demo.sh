#!/usr/bin/env bash
# Installs what the program needs, builds it, and starts it from its program
# folder under Wine.
set -u
. "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x64 || exit 1
make_prefix desktop || exit 1

program="$KTR_BUILD/x64/program"
if [ ! -f "$program/ktrcfg.exe" ]; then
    echo "The program folder holds the language modules so far:"
    ls -l "$program"
    exit 0
fi
