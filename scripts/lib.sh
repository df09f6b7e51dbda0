# Shared by scripts/run, scripts/test and scripts/bench: packages, the route
# (32-bit or 64-bit Wine), the builds, the Wine prefix with the stand-in
# remote access service, a virtual display, and what a failed step says.
# Sourced, not run.

QUORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The product, quorvel.exe for 32-bit Windows, is always built here.
QUORVEL_BUILD="$QUORVEL_ROOT/build"
QUORVEL_LOGS="$QUORVEL_BUILD/logs"
# What each script needs from Debian, in one place. Debian 12 and 13 name
# them alike: the unversioned clang-tools, lld and llvm bring the release's
# own LLVM (14 on Debian 12, 19 on Debian 13), which the MSVC-dialect check
# finds where it is installed. wine32 comes from the i386 architecture.
QUORVEL_BUILD_PACKAGES="g++-mingw-w64-i686-posix cmake ninja-build"
QUORVEL_PACKAGES="$QUORVEL_BUILD_PACKAGES wine wine32:i386 wine64 fonts-wine xvfb x11-utils imagemagick tzdata"
# The MSVC-dialect check compiles with clang-cl against Wine's headers; the
# release check packs a zip; the product check reads the manifest with
# xmllint.
QUORVEL_TEST_PACKAGES="$QUORVEL_PACKAGES googletest zip clang-tools lld llvm libwine-dev libxml2-utils"
QUORVEL_RELEASE_PACKAGES="$QUORVEL_BUILD_PACKAGES zip"
QUORVEL_64BIT_PACKAGES="g++-mingw-w64-x86-64-posix"
# The tests run in a zone with daylight saving and an offset from UTC, so
# that local time read as UTC, or a change of the clock at night, shows.
QUORVEL_TEST_TIME_ZONE=Europe/Berlin
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64
WINE64_SERVER=/usr/lib/wine/wineserver64

export WINEDEBUG=-all
# Without Mono and Gecko, and without the menu builder, which would write
# menu entries and icons under ~/.local and ~/.config.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Set by prepare_prefix: the one prefix whose wineserver these scripts end.
QUORVEL_PREFIX=

say() { printf '%s\n' "$*"; }

# Says which step failed, the last lines its command printed and what to
# try, then ends the script; the EXIT trap ends what the script started.
fail_step() {
    local step=$1 log=$2 hint=$3
    say "" >&2
    say "FAILED: $step" >&2
    if [ -n "$log" ] && [ -s "$log" ]; then
        say "Its last lines (all of them in $log):" >&2
        tail -n 20 "$log" | sed 's/^/    /' >&2
    fi
    say "What to try: $hint" >&2
    exit 1
}

# run_step NAME HINT COMMAND...: runs the command with its output kept in
# build/logs, and on failure says so through fail_step.
run_step() {
    local step=$1 hint=$2
    shift 2
    mkdir -p "$QUORVEL_LOGS"
    local log="$QUORVEL_LOGS/$(printf '%s' "${step//$QUORVEL_ROOT\//}" | tr -c 'A-Za-z0-9' '-' | tr -s '-').log"
    if ! "$@" >"$log" 2>&1; then
        fail_step "$step" "$log" "$hint"
    fi
}

# Anything that fails outside run_step is still named.
on_unexpected_error() {
    fail_step "the command '$1' (line $2 of $3) ended with code $4" "" \
        "run it by hand to see why; report it if it looks like a fault of the scripts"
}
set -E
trap 'on_unexpected_error "$BASH_COMMAND" "$LINENO" "${BASH_SOURCE[0]}" "$?"' ERR

missing_packages() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || printf '%s ' "$pkg"
    done
}

# Installs those of the given Debian packages that are missing, saying which.
install_missing_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -z "$missing" ] && return 0
    say "Installing missing packages: $missing"
    if [ "$(id -u)" -ne 0 ]; then
        fail_step "installing $missing" "" "run the script as root (or with sudo), or install them yourself"
    fi
    local hint="check that apt-get reaches Debian's archive and that no other apt-get is running"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        run_step "adding the i386 architecture (dpkg --add-architecture i386)" "$hint" \
            dpkg --add-architecture i386
    fi
    run_step "updating the package lists (apt-get update)" "$hint" apt-get update -q
    # shellcheck disable=SC2086
    run_step "installing $missing(apt-get install)" "$hint" \
        env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

# Whether this machine starts Wine's 32-bit loader. Some kernels refuse
# 32-bit programs altogether ("Exec format error").
runs_32bit_programs() {
    WINE32_PROBE=$("$WINE32_LOADER" --version 2>&1)
}

# Chooses the route once and says which: QUORVEL_ARCH=32 or 64 forces it,
# otherwise the 32-bit route where the machine runs 32-bit programs.
choose_route() {
    case "${QUORVEL_ARCH:-}" in
    "") if runs_32bit_programs; then QUORVEL_ROUTE=32; else QUORVEL_ROUTE=64; fi ;;
    32) if ! runs_32bit_programs; then
            fail_step "QUORVEL_ARCH=32: this machine cannot start Wine's 32-bit loader ($WINE32_PROBE)" "" \
                "unset QUORVEL_ARCH (or set it to 64) to build for x86_64 and run under wine64"
        fi
        QUORVEL_ROUTE=32 ;;
    64) QUORVEL_ROUTE=64 ;;
    *) fail_step "QUORVEL_ARCH=$QUORVEL_ARCH is neither 32 nor 64" "" "set it to 32 or 64, or unset it" ;;
    esac
    if [ "$QUORVEL_ROUTE" = 32 ]; then
        say "Route: 32-bit: the i686 build under Wine's 32-bit loader, in a 32-bit prefix."
        QUORVEL_RUN_BUILD=$QUORVEL_BUILD
        QUORVEL_WINE=wine
        QUORVEL_WINESERVER=wineserver
        export WINEARCH=win32
    else
        say "Route: 64-bit: the same sources built for x86_64 in build/x86_64, under wine64, in a 64-bit prefix."
        install_missing_packages $QUORVEL_64BIT_PACKAGES
        QUORVEL_RUN_BUILD=$QUORVEL_BUILD/x86_64
        QUORVEL_WINE=$WINE64_LOADER
        QUORVEL_WINESERVER=$WINE64_SERVER
        export WINEARCH=win64 WINELOADER=$WINE64_LOADER WINESERVER=$WINE64_SERVER
    fi
}

# configure_and_build DIR TOOLCHAIN TESTS(ON|OFF) [TARGET...]
configure_and_build() {
    local dir=$1 toolchain=$2 tests=$3
    shift 3
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    run_step "configuring $dir" "read the CMake output above; a missing compiler means a missing package" \
        cmake -S "$QUORVEL_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QUORVEL_ROOT/cmake/$toolchain" \
        -DQUORVEL_TESTS="$tests" -DQUORVEL_PRODUCT_EXE="$QUORVEL_BUILD/bin/quorvel.exe"
    say "Building in $dir"
    run_step "building in $dir" "fix the compiler error shown; warnings count as errors" \
        cmake --build "$dir" "${targets[@]}"
}

# Always the 32-bit product; on the 64-bit route also the build that runs.
# TESTS says whether the running build carries the tests.
build_quorvel() {
    local tests=$1
    if [ "$QUORVEL_ROUTE" = 32 ]; then
        configure_and_build "$QUORVEL_BUILD" mingw-i686.cmake "$tests"
    else
        configure_and_build "$QUORVEL_BUILD" mingw-i686.cmake OFF quorvel
        configure_and_build "$QUORVEL_RUN_BUILD" mingw-x86_64.cmake "$tests"
    fi
}

wine_reg_add() {
    "$QUORVEL_WINE" reg add "$@" /f >/dev/null 2>&1
}

# Makes the prefix if it is new, puts the freshly built stand-in remote
# access service into its system folder with an override, so that the
# unchanged quorvel.exe uses it, and gives it the font of the caption
# buttons.
prepare_prefix() {
    QUORVEL_PREFIX=$1
    export WINEPREFIX="$1"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "Preparing the Wine prefix $WINEPREFIX"
        run_step "making the Wine prefix $WINEPREFIX" \
            "remove $WINEPREFIX and run again; on a 64-bit route check that wine64 is installed" \
            make_prefix
    fi
    run_step "installing the stand-in remote access service into $WINEPREFIX" \
        "remove $WINEPREFIX and run again" install_standin
    run_step "installing Wine's caption font into $WINEPREFIX" \
        "check that the package fonts-wine is installed" install_caption_font
}

make_prefix() {
    "$QUORVEL_WINE" wineboot -i && "$QUORVEL_WINESERVER" -w
}

install_standin() {
    cp "$QUORVEL_RUN_BUILD/standin/rasapi32.dll" "$WINEPREFIX/drive_c/windows/system32/rasapi32.dll" &&
        wine_reg_add 'HKCU\Software\Wine\DllOverrides' /v rasapi32 /d native
}

# Debian's Wine looks for its own fonts on a path it never finds, so the
# caption buttons would show Marlett's letters instead of its glyphs; the
# prefix's font folder is always searched.
install_caption_font() {
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" &&
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

# Runs every program of the prefix in Wine's own desktop with its taskbar
# and notification area, as a Windows user has them.
use_desktop_with_taskbar() {
    wine_reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell
    wine_reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "$1"
}

# Back to one X window per Windows window, on the user's own desktop.
leave_desktop_with_taskbar() {
    "$QUORVEL_WINE" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
}

# The Windows path of the default phonebook, as a Linux path in the prefix.
default_phonebook_path() {
    printf '%s\n' "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Network/Connections/Pbk/rasphone.pbk"
}

# Starts Xvfb on a display no one else holds and exports DISPLAY; XVFB_PID
# holds it. Xvfb picks the number itself, taking the display's lock file
# atomically, and writes the number to the given file descriptor.
start_virtual_display() {
    local numbered log="$QUORVEL_LOGS/xvfb.log" fd n="" i
    mkdir -p "$QUORVEL_LOGS"
    numbered=$(mktemp "$QUORVEL_LOGS/xvfb-display.XXXXXX")
    exec {fd}>"$numbered"
    Xvfb -displayfd "$fd" -screen 0 1280x800x24 -nolisten tcp >"$log" 2>&1 &
    XVFB_PID=$!
    exec {fd}>&-
    for i in $(seq 100); do
        read -r n <"$numbered" || true
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$numbered"
    [ -n "$n" ] || fail_step "starting the virtual display (Xvfb named no display)" "$log" \
        "check that xvfb is installed and /tmp is writable"
    export DISPLAY=":$n"
    for i in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail_step "starting the virtual display (Xvfb on :$n)" "$log" "check that xvfb is installed and /tmp is writable"
}

# Ends what these scripts started: the wineserver of their own prefix (never
# that of a WINEPREFIX the user exported) and Xvfb.
stop_started_processes() {
    if [ -n "$QUORVEL_PREFIX" ] && [ -d "$QUORVEL_PREFIX" ] && [ -n "${QUORVEL_WINESERVER:-}" ]; then
        WINEPREFIX="$QUORVEL_PREFIX" "$QUORVEL_WINESERVER" -k 2>/dev/null || true
    fi
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
