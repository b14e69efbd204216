#!/usr/bin/env bash
# Checks of the packages that run on Linux, for both builds; the first argument
# names one:
#   contents OBJDUMP ROOT LISTS VERSION OLDEST
#       the zip holds the two programs and the eight modules as built, and a
#       README; ktrcfg.exe and ktrcli.exe import only what their reviewed lists
#       name (imports-ARCH.txt, imports-ktrcli-ARCH.txt), and each list was
#       reviewed for the oldest Windows that the build is for
#   signed ROOT VERSION
#       the packaging step run again with a throw-away certificate signs every
#       file of the zip and the MSI, with SHA-256, by that certificate
#   probe FILE
#       writes 1 to FILE when 32-bit programs run here, as the x86 tests decide it
files="ktrcfg.exe ktrcli.exe eng_lang.dll deu_lang.dll esp_lang.dll rus_lang.dll chs_lang.dll fra_lang.dll ita_lang.dll jpn_lang.dll"
status=0
fail() { echo "$*"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A zip's file is the built one, or the built one signed: with the signature
# taken off, the same bytes apart from the header checksum that signing
# recomputes and the padding that it appends.
same_as_built() {  # $1 = the zip's file, $2 = the built file
    cmp -s "$1" "$2" && return 0
    osslsigncode remove-signature -in "$1" -out "$work/unsigned" >/dev/null 2>&1 || return 1
    local checksum=$(( $(od -An -tu4 -j60 -N4 "$2") + 89 ))
    cmp -l -n "$(stat -c %s "$2")" "$work/unsigned" "$2" |
        awk -v c=$checksum '$1 < c || $1 > c + 3 { bad = 1 } END { exit bad }'
    local same=$?
    rm -f "$work/unsigned"
    return $same
}

unzip_to() {  # $1 = zip, $2 = folder
    mkdir -p "$2" && (cd "$2" && cmake -E tar xf "$1")
}

contents() {
    local objdump=$1 root=$2 lists=$3 version=$4 oldest=$5 arch program zip imports unlisted reviewed exe list
    for arch in x64 x86; do
        program=$root/$arch/program
        zip=$root/$arch/packages/ktrcfg-$version-$arch.zip
        [ "$(cmake -E tar tf "$zip" | sort)" = "$(printf '%s\n' $files README.txt | sort)" ] ||
            fail "$zip holds: $(cmake -E tar tf "$zip" | tr '\n' ' ')"
        unzip_to "$zip" "$work/$arch"
        for f in $files; do
            same_as_built "$work/$arch/$f" "$program/$f" || fail "$zip: $f is not the built one"
        done

        for exe in ktrcfg ktrcli; do
            list=$lists/imports-$arch.txt
            [ $exe = ktrcfg ] || list=$lists/imports-$exe-$arch.txt
            reviewed=$(sed -n 's/^# Reviewed for Windows \([^:]*\):.*/\1/p' "$list")
            [ "$reviewed" = "$oldest" ] ||
                fail "$(basename "$list") was reviewed for Windows ${reviewed:-(none named)}, the build is for Windows $oldest" \
                     "(KTR_OLDEST_WINDOWS in cmake/version.cmake): review the list again for Windows $oldest"
            imports=$("$objdump" -p "$program/$exe.exe" | awk '
                /DLL Name:/ { dll = tolower($3); next }
                dll && NF == 0 { dll = "" }
                dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort -u)
            [ -n "$imports" ] || fail "$arch: no import table of $exe.exe read"
            unlisted=$(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u))
            [ -z "$unlisted" ] || fail "$arch: $exe.exe imports what $(basename "$list") does not list" \
                                       "(each must exist on Windows $oldest):" $unlisted
            echo "$arch: $exe.exe: $(echo "$imports" | wc -l) imports checked against the list for Windows $oldest"
        done
    done
}

# Signed by the certificate in $2 with SHA-256: osslsigncode verifies the file
# with that certificate as the only trusted root, and the signature's own
# certificate is that one.
signed_by() {  # $1 = file, $2 = certificate
    local report
    report=$(osslsigncode verify -CAfile "$2" -in "$1" 2>&1) || { fail "$1: not verified: $(echo "$report" | grep -m1 -i -E 'fail|error|no signature')"; return; }
    echo "$report" | grep -q '^Message digest algorithm *: SHA256' || fail "$1: not SHA-256"
    rm -f "$work/signature.pem"
    osslsigncode extract-signature -pem -in "$1" -out "$work/signature.pem" >/dev/null 2>&1
    [ "$(openssl pkcs7 -in "$work/signature.pem" -print_certs 2>/dev/null | openssl x509 -noout -fingerprint -sha256 2>&1)" = \
      "$(openssl x509 -in "$2" -noout -fingerprint -sha256)" ] || fail "$1: signed by another certificate"
}

signed() {
    local root=$1 version=$2 arch out zip msi checked=0
    openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=ktrcfg signing test" \
        -addext "keyUsage=digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 || { fail "openssl could not make a certificate"; return; }
    for arch in x64 x86; do
        out=$work/signed-$arch
        cmake -DSETTINGS="$root/$arch/packaging/package_settings.cmake" -DOUT_DIR="$out" -DSTAGE="$out/stage" \
              -DLATER_MSI= -DKTR_SIGN_CERT="$work/cert.pem" -DKTR_SIGN_KEY="$work/key.pem" -DKTR_SIGN_TIMESTAMP= \
              -P "$(dirname "$0")/../packaging/make_packages.cmake" || { fail "$arch: the signed packaging step failed"; continue; }
        zip=$out/ktrcfg-$version-$arch.zip msi=$out/ktrcfg-$version-$arch.msi
        unzip_to "$zip" "$out/unzipped"
        for f in $files; do
            signed_by "$out/unzipped/$f" "$work/cert.pem"
            same_as_built "$out/unzipped/$f" "$root/$arch/program/$f" || fail "$zip: $f is not the built one, signed"
            checked=$((checked + 1))
        done
        signed_by "$msi" "$work/cert.pem"
        msiextract -C "$out/msi" "$msi" >/dev/null || fail "$msi: not extracted"
        for f in $files; do
            signed_by "$(find "$out/msi" -name "$f" | head -n 1)" "$work/cert.pem"
            checked=$((checked + 1))
        done
        echo "$arch: the MSI and $files checked in the zip and the MSI"
    done
    [ $checked -eq 40 ] || fail "$checked files checked"
}

probe() {
    . "$(dirname "$0")/../scripts/common.sh"
    if kernel_runs_32bit && wine32_installed; then echo 1 >"$1"; else echo 0 >"$1"; fi
}

mode=$1
shift
case $mode in
    contents) contents "$@" ;;
    signed) signed "$@" ;;
    probe) probe "$@" ;;
    *) fail "unknown check: $mode" ;;
esac
exit $status
