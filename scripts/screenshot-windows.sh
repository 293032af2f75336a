#!/usr/bin/env bash
# Writes docs/screenshots/windows-main.png and docs/screenshots/windows-settings.png: both
# windows of the Windows program as Wine shows them on a private Xvfb display (with the font
# link for the Chinese texts), filled in by key presses and clicks. The program is
# zelvoro-screenshot.exe, zelvoro.exe with a stand-in echo service (some addresses answer, no
# network traffic). scripts/screenshot.sh calls it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-packages.sh scripts/packages-windows.txt
cmake --preset windows > /dev/null
cmake --build --preset windows -j "$(nproc)" --target zelvoro-screenshot

# shellcheck source=wine-gui.sh
source scripts/wine-gui.sh
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zelvoro-shots.XXXXXX")
cleanup() {
  local status=$?
  wine_gui_stop
  rm -rf "$tmp"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

trace=$tmp/view.trace
has_match() {
  grep -qE -- "$2" "$1" 2> /dev/null
}
wait_for_match() {
  wine_gui_poll "a line matching $1" has_match "$trace" "$1"
}
keys() {
  local window=$1
  shift
  focus_window "$window"
  xdotool key --delay 50 "$@"
}
# The window once two captures in a row are the same: it has painted everything.
capture_settled() {
  local window=$1 file=$2
  capture_png "$window" "$tmp/previous.png"
  settled() {
    capture_png "$window" "$file" && cmp -s "$file" "$tmp/previous.png" && return 0
    cp "$file" "$tmp/previous.png"
    return 1
  }
  wine_gui_poll "window $window to finish painting" settled
  echo "$file"
}

wine_gui_start "$tmp"
: > "$trace"
ZELVORO_VIEW_TRACE=$(winepath -w "$trace") wine build-win/bin/zelvoro-screenshot.exe \
  > "$tmp/program.log" 2>&1 &

main=$(wait_for_window "Zelvoro网段检测工具")
wait_for_match '^focus frmIPtest.cmdgetnet$'
click_control "$main" 960 1080 500 375 # txbf1
keys "$main" 1 9 2 1 6 8 1 KP_Decimal 1
wait_for_match '^text frmIPtest.txbe4 255$'
keys "$main" shift+Tab shift+Tab shift+Tab shift+Tab 4 0 # to txbe4, all of it selected
wait_for_match '^edit frmIPtest.txbe4 40$'
click_control "$main" 2040 2880 855 375 # btntest
wait_for_match '^list frmIPtest.List2 .* 192\.168\.1\.40$'
mkdir -p docs/screenshots
capture_settled "$main" "$root/docs/screenshots/windows-main.png"

click_control "$main" 2880 7800 975 375 # cmdipset
settings=$(wait_for_window "Zelvoro->IP地址设置")
wait_for_match '^focus frmIpset.txbe4$'
click_control "$settings" 1680 600 500 375 # txbf1
keys "$settings" 1 9 2 1 6 8 1 KP_Decimal 2 3
wait_for_match '^edit frmIpset.txbf4 23$'
click_control "$settings" 1680 3600 500 375 # txbdnsf1
keys "$settings" 1 9 2 1 6 8 1 KP_Decimal 1
wait_for_match '^edit frmIpset.txbdnsf4 1$'
capture_settled "$settings" "$root/docs/screenshots/windows-settings.png"
