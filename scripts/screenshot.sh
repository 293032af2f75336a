#!/usr/bin/env bash
# Writes docs/screenshots/main.png and docs/screenshots/settings.png: both windows as the Qt
# view builds them, filled in by zelvoro-screenshot, on a private Xvfb display with the
# WenQuanYi font for the Chinese text; then the Windows windows under Wine
# (scripts/screenshot-windows.sh: windows-main.png, windows-settings.png).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh scripts/packages-build.txt scripts/packages-qt.txt
cmake --preset default > /dev/null
cmake --build --preset default -j "$(nproc)" --target zelvoro-screenshot

workdir=$(mktemp -d)
xvfb_pid=
stop_xvfb() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2> /dev/null || true
    wait "$xvfb_pid" 2> /dev/null || true
  fi
  rm -rf "$workdir"
}
trap stop_xvfb EXIT

# Xvfb picks a free display itself and writes its number once it accepts clients.
mkfifo "$workdir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3> "$workdir/display" &
xvfb_pid=$!
read -r display < "$workdir/display" || true
if [[ -z ${display:-} ]]; then
  echo "screenshot.sh: Xvfb did not start" >&2
  exit 1
fi

mkdir -p docs/screenshots
DISPLAY=":$display" QT_QPA_PLATFORM=xcb build/bin/zelvoro-screenshot docs/screenshots

scripts/screenshot-windows.sh
