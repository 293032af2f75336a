# wine-gui.sh: functions for driving the Windows program's windows under Wine on a private Xvfb
# display. Sourced by tests/ui/win32/gui_check.sh and scripts/screenshot.sh; it changes nothing
# outside the temporary folder it is given.
#
#   wine_gui_start DIR      Xvfb on a free display, a Wine prefix in DIR/prefix with its own
#                           wineserver and a font link for the Chinese texts; exports DISPLAY,
#                           WINEPREFIX, HOME and WINEDEBUG
#   wine_gui_stop           ends what wine_gui_start started (call it from an EXIT trap)
#   wait_for_window TITLE   prints the id of the visible X window with exactly that title
#   wait_for_gone TITLE     returns once no visible window has that title
#   wait_for_line FILE TEXT returns once FILE has a line that is exactly TEXT
#   focus_window ID         gives the window the X input focus (there is no window manager)
#   click_control ID LEFT TOP WIDTH HEIGHT
#                           clicks the middle of a control given in twips (client area, 96 DPI)
#   capture_png ID FILE     writes the window's client area as a PNG
#
# Every wait is bounded by WINE_GUI_TIMEOUT seconds (default 60) and fails with a message.

WINE_GUI_TIMEOUT=${WINE_GUI_TIMEOUT:-60}
wine_gui_dir=
wine_gui_xvfb_pid=
wine_gui_server_started=0

wine_gui_fail() {
  echo "wine-gui: $*" >&2
  return 1
}

# Calls "$@" every 0.1 s until it succeeds or the time-out runs out.
wine_gui_poll() {
  local description=$1
  shift
  local deadline=$((SECONDS + WINE_GUI_TIMEOUT))
  until "$@"; do
    ((SECONDS < deadline)) || {
      wine_gui_fail "gave up after ${WINE_GUI_TIMEOUT} s waiting for $description"
      return 1
    }
    sleep 0.1
  done
}

wine_gui_start_xvfb() {
  mkfifo "$wine_gui_dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$wine_gui_dir/display" \
    > "$wine_gui_dir/xvfb.log" 2>&1 &
  wine_gui_xvfb_pid=$!
  local display=
  read -r -t "$WINE_GUI_TIMEOUT" display < "$wine_gui_dir/display" || true
  [[ -n $display ]] || wine_gui_fail "Xvfb did not start: $(head -n 3 "$wine_gui_dir/xvfb.log")" ||
    return 1
  export DISPLAY=":$display"
}

# The Chinese captions need a font that has the glyphs: the faces Windows programs ask for are
# substituted by WenQuanYi Micro Hei, and the dialog fonts link to it.
wine_gui_link_fonts() {
  local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  local links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local face
  for face in "Microsoft YaHei" "SimSun"; do
    wine reg add "$substitutes" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f > /dev/null 2>&1 ||
      return 1
  done
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
    wine reg add "$links" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" \
      /f > /dev/null 2>&1 || return 1
  done
}

wine_gui_start() {
  wine_gui_dir=$1
  export WINEPREFIX=$wine_gui_dir/prefix HOME=$wine_gui_dir/home WINEDEBUG=-all
  export XDG_CONFIG_HOME=$wine_gui_dir/home/.config XDG_DATA_HOME=$wine_gui_dir/home/.local/share
  export XDG_CACHE_HOME=$wine_gui_dir/home/.cache
  mkdir -p "$WINEPREFIX" "$HOME"
  wine_gui_start_xvfb || return 1
  # The persistent server first, so that the prefix's system processes hold wineboot's output.
  wineserver -p > "$wine_gui_dir/wineserver.log" 2>&1 ||
    wine_gui_fail "wineserver does not start" || return 1
  wine_gui_server_started=1
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    timeout --kill-after=10 180 wineboot -i < /dev/null > "$wine_gui_dir/wineboot.log" 2>&1 ||
    wine_gui_fail "wineboot could not make a prefix" || return 1
  wine_gui_link_fonts || wine_gui_fail "could not register the font link" || return 1
  # A fresh server reads the fonts with the link in place.
  wineserver -k 2> /dev/null || true
  wineserver -w 2> /dev/null || true
  wineserver -p >> "$wine_gui_dir/wineserver.log" 2>&1 ||
    wine_gui_fail "wineserver does not start again" || return 1
}

wine_gui_stop() {
  if [[ $wine_gui_server_started == 1 ]]; then
    wineserver -k 2> /dev/null || true # this prefix's server and every program it runs
    wineserver -w 2> /dev/null || true
    wine_gui_server_started=0
  fi
  if [[ -n $wine_gui_xvfb_pid ]]; then
    kill "$wine_gui_xvfb_pid" 2> /dev/null || true
    wait "$wine_gui_xvfb_pid" 2> /dev/null || true
    wine_gui_xvfb_pid=
  fi
  # Debian's Wine keeps its server socket in /tmp/wine-XXXXXX, named in the prefix.
  local socket_dir=
  [[ -f $wine_gui_dir/prefix/wineserver ]] && socket_dir=$(< "$wine_gui_dir/prefix/wineserver")
  if [[ $socket_dir =~ ^wine-[A-Za-z0-9]+$ && -d /tmp/$socket_dir ]]; then
    rm -rf "/tmp/${socket_dir:?}"
  fi
}

wine_gui_visible_window() {
  local title=$1 id
  for id in $(xdotool search --onlyvisible --name "$title" 2> /dev/null); do
    if [[ $(xdotool getwindowname "$id" 2> /dev/null) == "$title" ]]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}

wait_for_window() {
  wine_gui_poll "a window titled \"$1\"" wine_gui_visible_window "$1" > /dev/null || return 1
  wine_gui_visible_window "$1"
}

wine_gui_no_window() {
  ! wine_gui_visible_window "$1" > /dev/null
}

wait_for_gone() {
  wine_gui_poll "the window \"$1\" to go" wine_gui_no_window "$1"
}

wine_gui_has_line() {
  grep -qxF -- "$2" "$1" 2> /dev/null
}

wait_for_line() {
  wine_gui_poll "the line \"$2\" in $1" wine_gui_has_line "$1" "$2"
}

wine_gui_focused() {
  [[ $(xdotool getwindowfocus 2> /dev/null) == "$1" ]]
}

focus_window() {
  xdotool windowfocus "$1" 2> /dev/null || true
  wine_gui_poll "the input focus on window $1" wine_gui_focused "$1"
}

click_control() {
  local id=$1 left=$2 top=$3 width=$4 height=$5
  local twips_per_pixel=15 # 1440 twips per inch at 96 DPI
  xdotool mousemove --window "$id" $(((left + width / 2) / twips_per_pixel)) \
    $(((top + height / 2) / twips_per_pixel)) click 1
}

capture_png() {
  xwd -silent -id "$1" | xwdtopnm 2> /dev/null | pnmtopng > "$2"
}
