# Shared steps of the run and test commands: packages, build, Wine prefix.
# Sourced, not run. Every step is safe to repeat.

KTR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KTR_BUILD=${KTR_BUILD:-$KTR_ROOT/build}
KTR_PACKAGES="cmake make mingw-w64 wine wine64 xvfb xauth imagemagick googletest zip fonts-wqy-microhei msitools wixl"

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
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "== creating the Wine prefix"
        timeout 300 wineboot -i </dev/null >/dev/null 2>&1
        timeout 60 wineserver -w </dev/null >/dev/null 2>&1
    fi
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
