#!/usr/bin/env bash
# wine-run.sh PROGRAM.exe [ARG...]: runs one cross-built Windows program under Wine, passing
# standard input, output and error through untouched and returning the program's exit code.
# cmake/mingw-w64.cmake makes it the cross build's CMAKE_CROSSCOMPILING_EMULATOR.
#
# WINEPREFIX must name a prefix made for the run, whose wineserver was started with -p before
# wineboot (scripts/test-windows.sh does both). Otherwise the first call starts Wine's system
# processes, which inherit its output: a caller reading that output to its end (CTest, CMake's
# execute_process) then waits for them until it times out.
# ZELVORO_WINE_TIMEOUT (seconds, default 50) bounds each call; a call that runs over is stopped
# and exits 124.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: wine-run.sh PROGRAM.exe [ARG...]" >&2
  exit 2
fi
if [[ -z ${WINEPREFIX:-} ]]; then
  echo "wine-run.sh: WINEPREFIX is not set (scripts/test-windows.sh makes a prefix)" >&2
  exit 2
fi
if [[ ! -d $WINEPREFIX/drive_c ]]; then
  echo "wine-run.sh: $WINEPREFIX is not a Wine prefix (no drive_c; run wineboot first)" >&2
  exit 2
fi

export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
limit=${ZELVORO_WINE_TIMEOUT:-50}

status=0
timeout --kill-after=10 "$limit" "${ZELVORO_WINE:-wine}" "$@" || status=$?
if [[ $status -eq 124 || $status -eq 137 ]]; then
  echo "wine-run.sh: $1 ran over ${limit} s and was stopped" >&2
fi
exit "$status"
