#!/usr/bin/env bash
# Hides the running form with its button, double-clicks the icon in the
# taskbar of Wine's desktop with the X pointer, and checks the form is back.
# A screenshot of each state goes into the build folder.
# Usage: tray_e2e.sh BUILD_DIR   (WINEPREFIX and DISPLAY as scripts/test sets them)
set -euo pipefail
build=$1
exe="$build/bin/quorvel.exe"
drive() { wine "$build/tests/quorvel_drive.exe" "$@" | tr -d '\r'; }
fail() { echo "FAILED: $*" >&2; kill "$quorvel_pid" 2>/dev/null || true; exit 1; }

IDC_HIDE=1007
phonebook="$build/tray-e2e.pbk"
printf '[Home ISP]\nUser=alice\nPassword=secret\n' > "$phonebook"
export QUORVEL_RAS_PHONEBOOK="Z:${phonebook//\//\\}"
wine "$exe" &
quorvel_pid=$!
drive wait 30 >/dev/null || fail "the form did not appear"
sleep 0.5
import -window root "$build/tray-1-shown.png"

drive click $IDC_HIDE
drive hidden 10 || fail "Hide left the form on screen"
sleep 0.5
import -window root "$build/tray-2-hidden.png"

read -r x y < <(drive trayicon) || fail "no taskbar to find the icon in"
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
drive wait 10 >/dev/null || fail "a double-click on the icon at $x,$y did not bring the form back"
sleep 0.5
import -window root "$build/tray-3-restored.png"

drive close || fail "the form did not close"
status=0
wait "$quorvel_pid" || status=$?
[ "$status" -eq 0 ] || fail "quorvel.exe ended with code $status"
echo "Hidden, found in the notification area at $x,$y, restored by a double-click; exit code 0."
echo "Screenshots: $build/tray-1-shown.png $build/tray-2-hidden.png $build/tray-3-restored.png"
