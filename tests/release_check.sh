#!/usr/bin/env bash
# release_check.sh same|zip SOURCES OUT. same: SOURCES released into OUT/a, and a copy of them in
# another folder and time zone into OUT/src/build/b, give the same bytes. zip: OUT/a's zip holds
# quorvel.exe, a CRLF README.txt and SHA256SUMS, right, at the commit's time, and names the exe's version.
set -euo pipefail
mode=$1 src=$2 out=$3
fail() { echo "FAILED: $*" >&2; exit 1; }
if [ "$mode" = same ]; then
    rm -rf "$out" && mkdir -p "$out/src"
    tar -C "$src" --exclude=./build -cf - . | tar -C "$out/src" -xf -
    # POSIX zone rules need no zone data: UTC+14 and UTC-11.
    TZ=XST-14 "$src/scripts/release" "$out/a"
    TZ=YST11 "$out/src/scripts/release" "$out/src/build/b"
fi
cd "$out/a" && zip=$(echo dist/quorvel-*-win32.zip) && version=${zip#dist/quorvel-} && version=${version%-win32.zip}
if [ "$mode" = same ]; then
    for f in release/bin/quorvel.exe "$zip"; do cmp "$f" "$out/src/build/b/$f" || fail "two releases differ in $f"; done
    exit 0
fi
rm -rf "$out/unpacked" && mkdir "$out/unpacked" && cd "$out/unpacked" && TZ=UTC cmake -E tar xf "$out/a/$zip"
[ "$(cmake -E tar tf "$out/a/$zip" | xargs)" = "quorvel.exe README.txt SHA256SUMS" ] || fail "$zip holds other files"
sha256sum --check --strict SHA256SUMS && [ "$(wc -l <SHA256SUMS)" = 1 ] || fail "SHA256SUMS is wrong for quorvel.exe"
grep -q "^Quorvel $version"$'\r$' README.txt && ! grep -qv $'\r$' README.txt || fail "README.txt: not CRLF or no $version"
# A zip keeps even seconds.
time=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
for f in *; do
    case $(($(stat -c %Y "$f") - time)) in 0 | 1) ;; *) fail "$f is not dated at the commit's time" ;; esac
done
bash "$src/tests/product_check.sh" quorvel.exe "$version"
