# Shared steps of the run and test commands: packages, build, Wine prefix.
# Sourced, not run. Every step is safe to repeat.

KTR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KTR_BUILD=${KTR_BUILD:-$KTR_ROOT/build}
KTR_PACKAGES="cmake make mingw-w64 wine wine64 xvfb xauth imagemagick googletest zip fonts-wqy-microhei msitools wixl osslsigncode openssl nlohmann-json3-dev"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=""
    for p in $KTR_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    if [ -n "$missing" ]; then
        echo "== installing:$missing"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
    fi
}

build_target() {  # $1 = x64 | x86
    local arch=$1 toolchain
    case $arch in
        x64) toolchain=mingw-x86_64.cmake ;;
        x86) toolchain=mingw-i686.cmake ;;
    esac
    echo "== building $arch"
    cmake -S "$KTR_ROOT" -B "$KTR_BUILD/$arch" -DCMAKE_TOOLCHAIN_FILE="$KTR_ROOT/cmake/$toolchain" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null || return 1
    cmake --build "$KTR_BUILD/$arch" -j"$(nproc)" -- --no-print-directory >"$KTR_BUILD/$arch-build.log" 2>&1 \
        || { tail -n 40 "$KTR_BUILD/$arch-build.log"; return 1; }
}

# Wine runs in a private prefix under the build folder, never the user's ~/.wine.
wine_env() {
    export WINEPREFIX="${WINEPREFIX:-$KTR_BUILD/x64/wineprefix}"
    export WINEDEBUG=-all
    # No Linux menu entries for the shortcuts that the package tests install.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEARCH=win64
}

make_prefix() {  # $1 = headless | desktop
    wine_env
    # A server left running on this private prefix would keep the old settings.
    timeout 30 wineserver -k </dev/null >/dev/null 2>&1
    # A prefix made before wine32:i386 came lacks its 32-bit half; once wine32
    # is there, Wine cannot start any program in it, 64-bit ones included.
    if wine32_installed && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "== creating the Wine prefix"
        timeout 300 wineboot -i </dev/null >/dev/null 2>&1
        timeout 60 wineserver -w </dev/null >/dev/null 2>&1
    fi
    # Debian's Wine looks for its own fonts in "<data dir>\../fonts", a path it
    # cannot open, so Marlett (the caption buttons' glyphs) is missing and the
    # buttons show as the letters "0 1 r". The Windows font folder is read.
    local marlett
    marlett=$(dpkg -L fonts-wine 2>/dev/null | grep -m1 '/marlett\.ttf$')
    cp "${marlett:-/usr/share/wine/fonts/marlett.ttf}" "$WINEPREFIX/drive_c/windows/Fonts/" \
        || echo "make_prefix: no marlett.ttf: caption buttons will show as letters" >&2
    # CJK text: Wine links its own fonts to a Chinese font only by the names
    # of the Windows ones, so those names are pointed at the one installed.
    local cjk="wqy-microhei.ttc,WenQuanYi Micro Hei"
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /d "WenQuanYi Micro Hei" /f </dev/null >/dev/null 2>&1
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" System Fixedsys "Lucida Sans Unicode" "Courier New"; do
        timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d "$cjk" /f </dev/null >/dev/null 2>&1
    done
    if [ "$1" = headless ]; then
        timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        timeout 60 wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1
    else
        timeout 60 wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f </dev/null >/dev/null 2>&1
        timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
        timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
    fi
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1
    return 0
}

# Keeps one wineserver alive for a run, so that Wine's volatile keys and the
# loaded emulator stay while the programs come and go.
start_wineserver() {
    wine_env
    timeout 30 wineserver -p </dev/null >/dev/null 2>&1
    timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
}

stop_wineserver() {
    wine_env
    timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
}

KTR_XVFB_PID=""
start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        KTR_XVFB_PID=$!
        sleep 1
        if kill -0 "$KTR_XVFB_PID" 2>/dev/null; then
            export DISPLAY=":$n"
            return 0
        fi
    done
    echo "no free display for Xvfb" >&2
    return 1
}

stop_xvfb() {
    [ -n "$KTR_XVFB_PID" ] && kill "$KTR_XVFB_PID" 2>/dev/null
    KTR_XVFB_PID=""
}

# The 32-bit build as a 32-bit program on 64-bit Windows: its tests that reach
# the adapters run on 64-bit Wine against the 64-bit emulator. That needs a
# kernel that runs 32-bit programs and Debian's wine32:i386; without either,
# one line says which and the run goes on.
KTR_X86_TESTS="EventLog.*:Cli.*:FileMenu.*:SettingsFile.*:Transport.*:DriverReplies.*:Images.*:DeviceMapWalk.*:DeviceMapFuzz.*:EndToEnd.*:SettingsImage.*:ChipTable.*:FillDefaultSettings.*:Uniformity.*:RateDisplay.*"

kernel_runs_32bit() {
    # A static i386 program of 96 bytes: exit(42) through int 0x80.
    local probe="$KTR_BUILD/i386-probe"
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    timeout 10 "$probe" 2>/dev/null
    local rc=$?
    rm -f "$probe"
    [ $rc -eq 42 ]
}

wine32_installed() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"
}

# Adds the i386 architecture when it is missing and installs wine32. When
# that fails it prints apt's reason and leaves the machine as it was: what
# came in of i386 goes again, then the architecture, then its package lists.
install_wine32() {
    local log="$KTR_BUILD/wine32-install.log" added="" reason pkgs
    local apt="env DEBIAN_FRONTEND=noninteractive apt-get -y -qq"
    : >"$log"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386 >>"$log" 2>&1 || { echo "dpkg --add-architecture i386 failed"; return 1; }
        added=1
    fi
    as_root timeout 600 $apt update >>"$log" 2>&1
    echo "-- install" >>"$log"
    as_root timeout 900 $apt install wine32:i386 >>"$log" 2>&1 && return 0
    reason=$(sed -n '/^-- install/,$p' "$log" | grep -m1 '^E: ' | sed 's/^E: //; s/\.$//')
    if [ -n "$added" ]; then
        pkgs=$(dpkg-query -W -f='${binary:Package}\n' '*:i386' 2>/dev/null)
        [ -z "$pkgs" ] || as_root timeout 600 $apt purge $pkgs >>"$log" 2>&1
        as_root dpkg --remove-architecture i386 >>"$log" 2>&1 || reason="$reason; i386 is still in use"
        as_root timeout 600 $apt update >>"$log" 2>&1
    fi
    echo "${reason:+$reason; }see $log"
    return 1
}

run_x86_tests() {
    local reason="" status log
    if ! kernel_runs_32bit; then
        reason="this kernel does not run 32-bit programs"
        wine32_installed || reason="$reason (nor is wine32:i386 installed)"
    elif ! wine32_installed; then
        reason=$(install_wine32) || reason="wine32:i386 could not be installed ($reason)"
    fi
    if [ -n "$reason" ]; then
        echo "x86: not run: $reason"
        return 0
    fi
    echo "== x86 tests"
    make_prefix headless
    start_wineserver
    # The emulator is a 64-bit driver: the 64-bit bench tool puts it in place,
    # and the x86 tests' benches restart that one.
    timeout 60 wine "$KTR_BUILD/x64/emulator/ktrbench.exe" install \
        "$(winepath -w "$KTR_ROOT/emulator/benches/demo.bench")" </dev/null >/dev/null \
        || { echo "x86: the emulator could not be installed"; return 1; }
    log=$(mktemp)
    (cd "$KTR_BUILD/x86/program" &&
        timeout 1200 wine "$KTR_BUILD/x86/bin/ktrcfg_tests.exe" --gtest_filter="$KTR_X86_TESTS" </dev/null) | tee "$log"
    status=${PIPESTATUS[0]}
    # A 32-bit program that Wine cannot start may still end with 0.
    grep -q 'PASSED.*[1-9][0-9]* test' "$log" || { echo "x86: no test ran"; status=1; }
    rm -f "$log"
    return "$status"
}
