# Shared by scripts/run, scripts/test and scripts/bench: packages, the build,
# the Wine prefix with the stand-in remote access service, a virtual display.
# Sourced, not run.

QUORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUORVEL_BUILD="$QUORVEL_ROOT/build"
QUORVEL_PACKAGES="g++-mingw-w64-i686-posix wine wine32:i386 xvfb x11-utils xdotool imagemagick cmake ninja-build"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

say() { printf '%s\n' "$*"; }

# Installs those of the given Debian packages that are missing, saying which.
install_missing_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing missing packages: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        say "Run as root (or with sudo) to install them." >&2
        return 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

build_quorvel() {
    cmake -S "$QUORVEL_ROOT" -B "$QUORVEL_BUILD" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$QUORVEL_ROOT/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$QUORVEL_BUILD"
}

# Makes the prefix if it is new, and puts the freshly built stand-in remote
# access service into its system folder with an override, so that the
# unchanged quorvel.exe uses it. Returns 0; sets QUORVEL_PREFIX_IS_NEW.
prepare_prefix() {
    export WINEPREFIX="$1"
    QUORVEL_PREFIX_IS_NEW=0
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "Preparing the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
        QUORVEL_PREFIX_IS_NEW=1
    fi
    cp "$QUORVEL_BUILD/standin/rasapi32.dll" "$WINEPREFIX/drive_c/windows/system32/rasapi32.dll"
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v rasapi32 /d native /f >/dev/null 2>&1
}

# Runs every program of the prefix in Wine's own desktop with its taskbar
# and notification area, as a Windows user has them.
use_desktop_with_taskbar() {
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "$1" /f >/dev/null 2>&1
}

# Back to one X window per Windows window, on the user's own desktop.
leave_desktop_with_taskbar() {
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
}

# The Windows path of the default phonebook, as a Linux path in the prefix.
default_phonebook_path() {
    local user
    user=$(id -un)
    printf '%s\n' "$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Network/Connections/Pbk/rasphone.pbk"
}

# Starts Xvfb on a free display number and exports DISPLAY; XVFB_PID holds it.
start_virtual_display() {
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    say "Xvfb did not start on $DISPLAY" >&2
    return 1
}

# Ends what these scripts started: the prefix's wineserver and Xvfb.
stop_started_processes() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
