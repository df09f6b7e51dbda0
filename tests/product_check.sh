#!/usr/bin/env bash
# Checks the exe a Windows user copies, without running it: PE32 for i386,
# GUI subsystem, no build time in its header, only system DLLs imported, at
# most 100 KB, and its version resource, for the given version.
# Usage: product_check.sh PATH_TO_QUORVEL_EXE VERSION (e.g. 1.1.0)
set -euo pipefail
exe=$1
numbers="${2//./, }, 0"
headers=$(TZ=UTC i686-w64-mingw32-objdump -p "$exe")
version=$(i686-w64-mingw32-windres -i "$exe" -O rc | sed -n '/VERSIONINFO/,$p')
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort | xargs)
size=$(stat -c %s "$exe")
failed=0
fail() { echo "FAILED: $exe: $*" >&2; failed=1; }
grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 for i386"
grep -Eq '^Subsystem\s+00000002' <<<"$headers" || fail "not for the GUI subsystem"
grep -Eq '^Time/Date\s+Thu Jan  1 00:00:00 1970' <<<"$headers" || fail "the build's time is in its header"
# ADVAPI32: the stack check's random guard (CryptGenRandom).
[ "$imports" = "ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL RASAPI32.DLL SHELL32.DLL USER32.DLL" ] ||
    fail "imports $imports"
[ "$size" -le 102400 ] || fail "$size bytes, more than 100 KB"
for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" 'FILEFLAGSMASK 0x3f' 'FILEOS 0x40004' \
    'FILETYPE 0x1' 'BLOCK "040904b0"' 'VALUE "ProductName", "Quorvel"' 'VALUE "FileDescription", "quorvel"' \
    'VALUE "InternalName", "quorvel"' "VALUE \"FileVersion\", \"$numbers\"" \
    "VALUE \"ProductVersion\", \"$numbers\"" 'VALUE "Translation", 0x409, 1200'; do
    grep -qxF "$line" <<<"$(sed 's/^\s*//' <<<"$version")" || fail "its version resource lacks: $line"
done
[ "$failed" -eq 0 ] && echo "$exe: PE32 i386, GUI, $size bytes, version $2, imports $imports"
exit "$failed"
