#!/usr/bin/env bash
# For both builds: the zip holds the program and its eight modules as built,
# and a README; ktrcfg.exe imports only what its reviewed list names.
# Arguments: objdump, the build root, the folder of the lists, the version.
objdump=$1 root=$(cd "$2" && pwd) lists=$3 version=$4
files="ktrcfg.exe eng_lang.dll deu_lang.dll esp_lang.dll rus_lang.dll chs_lang.dll fra_lang.dll ita_lang.dll jpn_lang.dll"
status=0
fail() { echo "$*"; status=1; }
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
for arch in x64 x86; do
    program=$root/$arch/program
    zip=$root/$arch/packages/ktrcfg-$version-$arch.zip
    [ "$(cmake -E tar tf "$zip" | sort)" = "$(printf '%s\n' $files README.txt | sort)" ] ||
        fail "$zip holds: $(cmake -E tar tf "$zip" | tr '\n' ' ')"
    mkdir -p "$unpacked/$arch" && (cd "$unpacked/$arch" && cmake -E tar xf "$zip")
    for f in $files; do
        cmp -s "$unpacked/$arch/$f" "$program/$f" || fail "$zip: $f is not the built one"
    done

    imports=$("$objdump" -p "$program/ktrcfg.exe" | awk '
        /DLL Name:/ { dll = tolower($3); next }
        dll && NF == 0 { dll = "" }
        dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort -u)
    [ -n "$imports" ] || fail "$arch: no import table read"
    unlisted=$(comm -23 <(echo "$imports") <(grep -v '^#' "$lists/imports-$arch.txt" | sort -u))
    [ -z "$unlisted" ] || fail "$arch: ktrcfg.exe imports what imports-$arch.txt does not list:" $unlisted
    echo "$arch: $(echo "$imports" | wc -l) imports checked"
done
exit $status
