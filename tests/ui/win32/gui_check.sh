#!/usr/bin/env bash
# gui_check.sh ZELVORO_EXE: drives the real zelvoro.exe under Wine on a private Xvfb display
# with key presses and clicks (xdotool), as a user would, and follows what its native controls
# show through the view's trace (ZELVORO_VIEW_TRACE): the main window comes up with its Chinese
# caption and the focus on "网络IP"; Tab order, typing and Enter and the keypad's "." move the
# focus through the start row, which fills the end row; the locked end row takes the focus and
# Enter but no typing; a sweep of 127.0.0.1-3 through Wine's
# icmp.dll fills the answering list; the settings window opens and goes back; the close box asks
# "退出", and the answer No keeps the window, Yes ends the program.
# Everything lives in a temporary folder: its own Wine prefix, wineserver and X display.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
[[ $# -eq 1 && -f $1 ]] || {
  echo "usage: gui_check.sh ZELVORO_EXE" >&2
  exit 2
}
exe=$(realpath "$1")
# shellcheck source=../../../scripts/wine-gui.sh
source "$root/scripts/wine-gui.sh"

main_title="Zelvoro网段检测工具"
settings_title="Zelvoro->IP地址设置"
quit_title="退出"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zelvoro-gui.XXXXXX")
program_pid=
cleanup() {
  local status=$?
  if [[ $status -ne 0 && -f $tmp/view.trace ]]; then
    echo "gui check: the view's trace so far:" >&2
    sed 's/^/  /' "$tmp/view.trace" >&2
  fi
  wine_gui_stop
  [[ -z $program_pid ]] || wait "$program_pid" 2> /dev/null || true
  rm -rf "$tmp"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "gui check: FAIL: $*" >&2
  exit 1
}

step() {
  echo "gui check: $*"
}

trace=$tmp/view.trace
consumed=0

# The trace lines that follow the ones already checked must be exactly these, in this order.
trace_has_lines() {
  (($(wc -l < "$trace") >= consumed + $1))
}
expect_lines() {
  wine_gui_poll "${#@} more trace lines (the last: \"${*: -1}\")" trace_has_lines $# || {
    echo "gui check: expected:" >&2
    printf '  %s\n' "$@" >&2
    fail "the trace stopped short"
  }
  local seen
  seen=$(sed -n "$((consumed + 1)),$((consumed + $#))p" "$trace")
  if [[ $seen != "$(printf '%s\n' "$@")" ]]; then
    echo "gui check: expected:" >&2
    printf '  %s\n' "$@" >&2
    echo "gui check: seen:" >&2
    printf '%s\n' "$seen" | sed 's/^/  /' >&2
    fail "the controls did not show what was expected"
  fi
  consumed=$((consumed + $#))
}
skip_trace() {
  consumed=$(wc -l < "$trace")
}

keys() {
  local window=$1
  shift
  focus_window "$window"
  xdotool key --delay 50 "$@"
}

# Whether this process may send ICMP (Wine uses a ping socket or, as root, a raw socket).
may_send_icmp() {
  [[ $(id -u) -eq 0 ]] && return 0
  local low high group
  read -r low high < /proc/sys/net/ipv4/ping_group_range
  for group in $(id -G); do
    ((group >= low && group <= high)) && return 0
  done
  return 1
}

wine_gui_start "$tmp" || fail "Wine and Xvfb could not be set up"
: > "$trace"
ZELVORO_VIEW_TRACE=$(winepath -w "$trace")
export ZELVORO_VIEW_TRACE
wine "$exe" > "$tmp/zelvoro.log" 2>&1 &
program_pid=$!

step "the main window shows with its caption and the focus on 网络IP"
main=$(wait_for_window "$main_title") || fail "no window titled $main_title"
expect_lines "focus frmIPtest.cmdgetnet"

step "Shift+Tab follows the tab index back to the start row"
keys "$main" shift+Tab shift+Tab
expect_lines "focus frmIPtest.btntest" "focus frmIPtest.txbf1"

step "three digits, Enter and the keypad's point move along the start row"
keys "$main" 1 2 7
expect_lines "edit frmIPtest.txbf1 1" "edit frmIPtest.txbf1 12" "edit frmIPtest.txbf1 127" \
  "focus frmIPtest.txbf2"
keys "$main" 0 Return
expect_lines "edit frmIPtest.txbf2 0" "focus frmIPtest.txbf3"
keys "$main" 0 KP_Decimal
expect_lines "edit frmIPtest.txbf3 0" "focus frmIPtest.txbf4"
keys "$main" 1
# The point was dropped: nothing reached txbf3 after its KeyDown moved the focus.
expect_lines "edit frmIPtest.txbf4 1" "text frmIPtest.txbe1 127" "text frmIPtest.txbe2 0" \
  "text frmIPtest.txbe3 0" "text frmIPtest.txbe4 255"

step "the locked end row takes the focus, refuses a digit and reacts to Enter (txbe3 to txbf4)"
keys "$main" shift+Tab shift+Tab shift+Tab
expect_lines "focus frmIPtest.txbe1" "focus frmIPtest.txbe2" "focus frmIPtest.txbe3"
keys "$main" 5 Return
expect_lines "focus frmIPtest.txbf4"

step "the end octet, reached by Tab with its text selected, takes 3"
keys "$main" shift+Tab shift+Tab shift+Tab shift+Tab
expect_lines "focus frmIPtest.txbe1" "focus frmIPtest.txbe2" "focus frmIPtest.txbe3" \
  "focus frmIPtest.txbe4"
keys "$main" 3
expect_lines "edit frmIPtest.txbe4 3"

if may_send_icmp; then
  step "检测 sweeps 127.0.0.1-3 through icmp.dll: all three answer"
  click_control "$main" 2040 2880 855 375 # btntest
  expect_lines "focus frmIPtest.btntest" "list frmIPtest.List1 127.0.0.1" \
    "list frmIPtest.List1 127.0.0.1 127.0.0.2" "list frmIPtest.List1 127.0.0.1 127.0.0.2 127.0.0.3"
else
  step "SKIP the sweep: this user may not send ICMP (neither root nor in ping_group_range)"
fi

step "设置IP opens the settings window in place of the main window; 返回 goes back"
click_control "$main" 2880 7800 975 375 # cmdipset
settings=$(wait_for_window "$settings_title") || fail "no window titled $settings_title"
wait_for_gone "$main_title" || fail "the main window stayed"
skip_trace
click_control "$settings" 2160 5160 735 375 # cmdback
main=$(wait_for_window "$main_title") || fail "the main window did not come back"
wait_for_gone "$settings_title" || fail "the settings window stayed"

step "the close box asks $quit_title; No keeps the window"
keys "$main" alt+F4
box=$(wait_for_window "$quit_title") || fail "no box titled $quit_title"
keys "$box" n
wait_for_gone "$quit_title" || fail "the box stayed after No"
wine_gui_visible_window "$main_title" > /dev/null || fail "No closed the main window"
kill -0 "$program_pid" 2> /dev/null || fail "No ended the program"

step "the close box again; Yes ends the program"
keys "$main" alt+F4
box=$(wait_for_window "$quit_title") || fail "no box titled $quit_title"
keys "$box" Return
wine_gui_poll "the program to end" eval '! kill -0 "$program_pid" 2> /dev/null' ||
  fail "the program did not end"
status=0
wait "$program_pid" || status=$?
program_pid=
((status == 0)) || fail "the program ended with status $status"
step "passed"
