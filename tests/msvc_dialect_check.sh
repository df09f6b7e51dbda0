#!/usr/bin/env bash
# The MSVC-dialect check: configures and builds the Windows build (no tests,
# no tools) through the project's MSVC branch with clang-cl, llvm-rc and
# lld-link (cmake/clang-cl-i686.cmake), then sorts what the link left
# unresolved. It passes when everything compiles with the branch's
# hardening switches, the exe carries the marks lld-link gives for them and
# the one manifest of res/, no DLL is built, and only the C runtime's
# symbols and the entry point are left: every Windows import resolved
# against MinGW-w64's import libraries.
# Usage: msvc_dialect_check.sh SOURCE_DIR WORK_DIR
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 SOURCE_DIR WORK_DIR" >&2; exit 2; }
src=$1 work=$2
toolchain=$src/cmake/clang-cl-i686.cmake
mingw_lib=/usr/i686-w64-mingw32/lib
entry_point=_WinMainCRTStartup
# Helpers that cl.exe's code calls in Microsoft's static runtime: the stack
# cookie, control-flow guard's check of indirect calls, 64-bit arithmetic on
# x86, stack probes, floating-point support and C++ exception frames.
runtime_helpers='^(___security_cookie|@__security_check_cookie@4|___guard_check_icall_fptr|__a(ll|ull)(div|rem|mul|dvrm|shl|shr)|__chkstk|__alloca_probe(_8|_16)?|__fltused|__ftol2(_sse)?|__dtol3|___CxxFrameHandler3|__except_handler[34]|__CxxThrowException@8)$'

fail() { printf 'MSVC-dialect check FAILED: %s\n' "$*" >&2; exit 1; }

for f in /usr/include/wine/wine/windows/windows.h "$mingw_lib/libucrt.a"; do
    [ -e "$f" ] || fail "$f is missing; scripts/test installs it (libwine-dev, mingw-w64)"
done

rm -rf "$work"
mkdir -p "$work"
log=$work/build.log
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DQUORVEL_TESTS=OFF -DQUORVEL_TOOLS=OFF >"$log" 2>&1 ||
    { cat "$log"; fail "configuring through the MSVC branch (above)"; }
# The LLVM the toolchain file chose, for reading the exe and the libraries.
llvm=$(sed -n 's/^QUORVEL_LLVM_BIN:PATH=//p' "$work/build/CMakeCache.txt")
[ -x "$llvm/llvm-readobj" ] && [ -x "$llvm/llvm-nm" ] || fail "no llvm-readobj and llvm-nm in '$llvm' (Debian's llvm)"
cmake --build "$work/build" >>"$log" 2>&1 ||
    { cat "$log"; fail "compiling or linking in MSVC mode (above)"; }
grep -q -- '-MT .*/W4 /WX' "$work/build/build.ninja" ||
    fail "the build did not take the MSVC branch's /MT /W4 /WX"
dlls=$(cd "$work/build" && find . -iname '*.dll')
[ -z "$dlls" ] || fail "the Windows build made more than quorvel.exe: $dlls"
[ -f "$work/build/bin/quorvel.exe" ] && [ -n "$(find "$work/build" -name quorvel.rc.res)" ] ||
    fail "no bin/quorvel.exe, or no quorvel.rc.res from llvm-rc"
# The hardening the MSVC branch asks for: all of it given, and in the exe
# what lld-link takes (SafeSEH needs Microsoft's import libraries: the
# check's link rule turns it off). Only the manifest of res/ is in it.
exe=$work/build/bin/quorvel.exe
compiles=$(grep -A2 ': CXX_COMPILER__' "$work/build/build.ninja" | grep '^  FLAGS = ')
[ -n "$compiles" ] || fail "no C++ compile found in $work/build/build.ninja"
for switch in /GS /guard:cf; do
    ! grep -v -- " $switch " <<<"$compiles" | grep -q . || fail "the MSVC branch compiled a source without $switch"
done
link=$(grep -A3 '^build bin/quorvel.exe:' "$work/build/build.ninja" | grep '^  LINK_FLAGS = ')
for switch in /DYNAMICBASE /NXCOMPAT /GUARD:CF /CETCOMPAT /SAFESEH /TSAWARE /DEPENDENTLOADFLAG:0x800 /MANIFEST:NO; do
    grep -q -- " $switch\( \|$\)" <<<"$link" || fail "the MSVC branch did not link quorvel.exe with $switch"
done
built=$("$llvm/llvm-readobj" --file-headers --coff-debug-directory --coff-resources "$exe" 2>&1) ||
    fail "llvm-readobj could not read $exe: $built"
for mark in DYNAMIC_BASE NX_COMPAT GUARD_CF TERMINAL_SERVER_AWARE EX_CET_COMPAT; do
    grep -q "IMAGE_DLL_CHARACTERISTICS_$mark " <<<"$built" || fail "lld-link did not mark $exe $mark"
done
# As in the MinGW build, only DLLs that Windows takes from the system.
imports=$("$llvm/llvm-readobj" --coff-imports "$exe" | sed -n 's/^ *Name: //p' | tr a-z A-Z | sort -u | xargs)
[ "$imports" = "COMCTL32.DLL GDI32.DLL KERNEL32.DLL SHELL32.DLL USER32.DLL" ] ||
    fail "$exe imports $imports, wanted COMCTL32 GDI32 KERNEL32 SHELL32 USER32 alone"
manifest=$(grep -A4 'Type: MANIFEST (ID 24)' <<<"$built" | tr -s ' \n' ' ')
[[ $manifest == *"Number of String Entries: 0 Number of ID Entries: 1 Name: (ID 1)"* ]] ||
    fail "$exe does not hold one manifest, resource 1 of type 24, but: ${manifest:-none}"

unresolved=$(sed -n 's/^lld-link: warning: \(<root>: \)\{0,1\}undefined symbol: //p' "$log" | sort -u)
crt=$("$llvm/llvm-nm" --defined-only "$mingw_lib/libucrt.a" 2>/dev/null | awk 'NF >= 2 { print $NF }' | sort -u)
[ -n "$crt" ] || fail "could not list the C runtime's symbols from $mingw_lib/libucrt.a"
grep -qxF "$entry_point" <<<"$unresolved" ||
    fail "the link did not report the entry point $entry_point unresolved, so its list cannot be trusted; the build log is $log"
bad=()
while read -r sym; do
    [ "$sym" = "$entry_point" ] && continue
    [[ $sym =~ $runtime_helpers ]] && continue
    grep -qxF -- "$sym" <<<"$crt" && continue
    bad+=("$sym")
done <<<"$unresolved"
[ ${#bad[@]} -eq 0 ] ||
    fail "unresolved, and neither the C runtime's nor the entry point (a Windows import no import library resolves, or a symbol nothing defines): ${bad[*]}"
printf 'Compiled in MSVC mode with %s: %s objects and the resource script; imports %s; marked %s; left for the C runtime: %s\n' \
    "$("$llvm/clang-cl" --version | head -n1)" "$(find "$work/build" -path '*.dir/*' -name '*.obj' | wc -l)" "$imports" \
    "$(grep -o 'IMAGE_DLL_CHARACTERISTICS_[A-Z_]*' <<<"$built" | cut -d_ -f4- | sort -u | xargs)" "$(printf '%s ' $unresolved)"
