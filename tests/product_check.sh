#!/usr/bin/env bash
# Checks the exe a Windows user copies, without running it, for what
# Windows' binary analyser reads and what the project promises: PE32 for
# i386, GUI subsystem, no build time in its header, only system DLLs
# imported and none of the calls found at run time, at most 100 KB, its
# version resource for the given version, its manifest, and its hardening.
# Usage: product_check.sh PATH_TO_QUORVEL_EXE VERSION (e.g. 1.1.0)
set -euo pipefail
exe=$1
numbers="${2//./, }, 0"
headers=$(TZ=UTC i686-w64-mingw32-objdump -p "$exe")
resources=$(i686-w64-mingw32-windres -i "$exe" -O rc)
version=$(sed -n '/VERSIONINFO/,$p' <<<"$resources" | sed 's/^\s*//')
import_table=$(sed -n '/^The Import Tables/,/^PE File Base Relocations/p' <<<"$headers")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$import_table" | tr 'a-z' 'A-Z' | sort | xargs)
size=$(stat -c %s "$exe")
failed=0
fail() { echo "FAILED: $exe: $*" >&2; failed=1; }
grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 for i386"
grep -Eq '^Subsystem\s+00000002' <<<"$headers" || fail "not for the GUI subsystem"
grep -Eq '^Time/Date\s+Thu Jan  1 00:00:00 1970' <<<"$headers" || fail "the build's time is in its header"
# Only DLLs that Windows always takes from the system, whatever lies beside
# the exe: known DLLs, and COMCTL32, which the manifest takes from the
# side-by-side store. ADVAPI32: the stack check's random guard
# (CryptGenRandom). RASAPI32 is none of them: the program loads it from the
# system folder itself.
[ "$imports" = "ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL" ] ||
    fail "imports $imports, wanted the known DLLs ADVAPI32 GDI32 KERNEL32 MSVCRT SHELL32 USER32 and COMCTL32 alone"
grep -qaw 'rasapi32\.dll' "$exe" || fail "does not name rasapi32.dll, so it can't load it from the system folder"
# Calls newer than XP (SetDllDirectoryA: XP SP1), found at run time.
for call in PowerCreateRequest PowerSetRequest PowerClearRequest SetWaitableTimerEx SetDefaultDllDirectories \
    SetDllDirectoryA ChangeWindowMessageFilterEx ChangeWindowMessageFilter DisableProcessWindowsGhosting; do
    ! grep -qw "$call" <<<"$import_table" || fail "imports $call, a call newer than XP that it must find at run time"
    grep -qaw "$call" "$exe" || fail "does not name $call, so it can't find it at run time"
done
[ "$size" -le 102400 ] || fail "$size bytes, more than 100 KB"
for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" 'FILEFLAGSMASK 0x3f' 'FILEOS 0x40004' \
    'FILETYPE 0x1' 'BLOCK "040904b0"' 'VALUE "ProductName", "Quorvel"' 'VALUE "FileDescription", "quorvel"' \
    'VALUE "InternalName", "quorvel"' "VALUE \"FileVersion\", \"$numbers\"" \
    "VALUE \"ProductVersion\", \"$numbers\"" 'VALUE "Translation", 0x409, 1200'; do
    grep -qxF "$line" <<<"$version" || fail "its version resource lacks: $line"
done

# The manifest: resource type 24 (RT_MANIFEST), identifier 1, as the loader reads it.
manifest=$(sed -n '/^1 24 /,/^END/{s/^  "//;s/"$//;s/""/"/g;/^\(1 24\|BEGIN\|END\)/!p}' <<<"$resources" |
    tr -d '\n' | sed 's/\\n/\n/g')
if [ -z "$manifest" ]; then
    fail "no manifest (resource 1 of type 24)"
else
    xmllint --noout - <<<"$manifest" 2>/dev/null || fail "its manifest is not well-formed XML: $(xmllint --noout - <<<"$manifest" 2>&1 | head -1)"
    # One line, comments left out, so that an element in a comment counts for nothing.
    flat=$(tr -s ' \n\t' ' ' <<<"$manifest" | sed 's/<!--\([^-]\|-[^-]\)*-->//g')
    grep -Eq '<assemblyIdentity type="win32" name="Microsoft\.Windows\.Common-Controls" version="6\.0\.0\.0" processorArchitecture="\*" publicKeyToken="6595b64144ccf1df"' <<<"$flat" ||
        fail "its manifest does not ask for version 6.0.0.0 of Microsoft.Windows.Common-Controls, any architecture"
    grep -Eq '<trustInfo xmlns="urn:schemas-microsoft-com:asm\.v3"> <security> <requestedPrivileges> <requestedExecutionLevel level="asInvoker"' <<<"$flat" ||
        fail "its manifest has no asInvoker in a trustInfo of namespace urn:schemas-microsoft-com:asm.v3 (the form XP accepts)"
    for os in e2011457-1546-43c5-a5fe-008deee3d3f0:Vista 35138b9a-5d96-4fbd-8e2d-a2440225f93a:7 \
        4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38:8 1f676c76-80e1-4239-95bb-83d0f6d0da78:8.1 \
        "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a:10 and 11"; do
        grep -qF "<supportedOS Id=\"{${os%%:*}}\"/>" <<<"$flat" || fail "its manifest does not name Windows ${os#*:} as supported"
    done
    # Per-monitor v2 from Windows 10 1703; the system's DPI where Windows does not know it.
    grep -qF '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware> <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, System</dpiAwareness>' <<<"$flat" ||
        fail "its manifest does not declare per-monitor v2 DPI awareness with the system's as the fallback"
fi

# Hardening, as the header and the section table say.
flags=$((16#$(sed -n 's/^DllCharacteristics\s*//p' <<<"$headers")))
for flag in 0x40:DYNAMIC_BASE 0x100:NX_COMPAT 0x400:NO_SEH 0x8000:TERMINAL_SERVER_AWARE; do
    ((flags & ${flag%:*})) || fail "DllCharacteristics $(printf '%#x' "$flags") lacks ${flag#*:} (${flag%:*})"
done
((16#$(sed -n 's/^Characteristics 0x//p' <<<"$headers") & 0x1)) && fail "its relocations are stripped, so it can't be moved"
grep -Eq '^Entry 5 [0-9a-f]{8} 0*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$headers" ||
    fail "no base relocations, so address-space randomisation can't move it"
u32() { od -An -tu4 -j "$1" -N4 "$exe" | tr -d ' '; }
u16() { od -An -tu2 -j "$1" -N2 "$exe" | tr -d ' '; }
pe=$(u32 60)
table=$((pe + 24 + $(u16 $((pe + 20)))))
for ((i = 0; i < $(u16 $((pe + 6))); i++)); do
    name=$(dd if="$exe" bs=1 skip=$((table + 40 * i)) count=8 status=none | tr -d '\0')
    traits=$(u32 $((table + 40 * i + 36)))
    # IMAGE_SCN_MEM_WRITE, _EXECUTE, _SHARED
    ((traits & 0x80000000 && traits & 0x20000000)) && fail "section $name is both writable and executable"
    ((traits & 0x80000000 && traits & 0x10000000)) && fail "section $name is both writable and shared"
done
# "No SEH" holds only while no code links an SEH frame into the chain at %fs:0.
code=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$exe")
seh=$(grep -E '%fs:(0x0)?(\)|,|$)|,%fs:' <<<"$code" | head -3 | tr -s '\t\n ' ' ' || true)
[ -z "$seh" ] || fail "code that reads or writes the SEH chain at %fs:0: $seh"
# The stack check: a function takes the guard from its cookie and, unless
# nothing is left, calls the failure handler.
checks=$(awk '$2 ~ /^(sub|xor)$/ && $3 ~ /^0x[0-9a-f]+,%e/ { guard = substr($3, 1, index($3, ",") - 1); next }
    guard && $2 ~ /^j(e|ne)$/ { jumped = 1; next }
    guard && jumped && $2 == "call" { n[guard " " $3]++ } { guard = ""; jumped = 0 }
    END { for (k in n) if (n[k] > max) max = n[k]; print max + 0 }' <<<"$code")
[ "$checks" -gt 0 ] || fail "no stack-protection check in its code (-fstack-protector-strong)"
[ "$failed" -eq 0 ] && echo "$exe: PE32 i386, GUI, $size bytes, version $2, imports $imports;" \
    "manifest: common controls 6, asInvoker, Vista to 11, per-monitor v2 DPI aware, else system;" \
    "DYNAMIC_BASE NX_COMPAT NO_SEH TERMINAL_SERVER_AWARE, relocations, no W+X section, $checks stack checks"
exit "$failed"
