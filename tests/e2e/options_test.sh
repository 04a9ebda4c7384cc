#!/usr/bin/env bash
# The options screen's display settings in the real game, through real X key
# events: the desktop-size full screen covers the screen and leaves the
# display's mode alone; a window chosen on the screen and applied by
# restarting in place is the same process, 800x600, and Config.txt keeps it.
#   options_test.sh <fivelaps binary>
set -uo pipefail
game=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-options-XXXXXX)
trap 'xset r on; [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
out=$work/out.txt
err=$work/err.txt
xset r off

mode_now() { xrandr 2>/dev/null | awk '/\*/ {print $1; exit}'; }
screen_size() { xdpyinfo | awk '/dimensions:/ {print $2; exit}'; }
# The window the game drew in: its own mode's (FREEGLUT) or a window's (Five Laps).
window_of() { xdotool search --name "$1" 2>/dev/null | head -n 1; }
size_of() { xwininfo -id "$1" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
# Without a window manager the focus is given by hand, as a click would.
key() {
  local w k
  w=$(window_of "Five Laps"); [ -n "$w" ] || w=$(window_of FREEGLUT)
  for k in "$@"; do
    xdotool windowfocus "$w" 2>/dev/null
    xdotool keydown "$k"; sleep 0.2; xdotool keyup "$k"; sleep 0.2
  done
}
desktop=$(mode_now)
# start_bg of lib.sh, for a window of either name.
start_game() {
  (cd "$1" && exec "$game" </dev/null >"$out" 2>"$err") &
  pid=$!
  for _ in $(seq 1 300); do
    if [ -n "$(window_of "Five Laps")$(window_of FREEGLUT)" ]; then sleep 0.3; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# 1. Full screen at the desktop's size: no mode change, the whole screen covered.
make_game_dir "$work/desk" 800x600:32@60
sed -i 's/^EOF$/[Screen]\ndesktop\nEOF/' "$work/desk/Config.txt"
check "the game starts on the desktop" start_game "$work/desk"
check "the mode stays the desktop's (got $(mode_now))" test "$(mode_now)" = "$desktop"
check "the window covers the screen (got $(size_of "$(window_of "Five Laps")"))" \
  test "$(size_of "$(window_of "Five Laps")")" = "$(screen_size)"
key Escape
wait_exit 10
check "Escape on the title exits 0 (got $status)" test "$status" = 0

# 2. A window chosen on the display page, applied at once: the game starts
#    again in place in an 800x600 window, and the next start takes it too.
make_game_dir "$work/win" 800x600:32@60
check "the game starts in its own mode" start_game "$work/win"
first=$pid
sleep 1.9                                  # the title's fade-in
key Down Down Return Return                # Options, Display
key Down Right Right                       # take the screen: a window
key Down Down Down Return                  # restart with these now
for _ in $(seq 1 100); do [ -n "$(window_of "Five Laps")" ] && break; sleep 0.1; done
sleep 0.5
check "the same process started again (pid $first)" kill -0 "$first"
check "the window is 800x600 (got $(size_of "$(window_of "Five Laps")"))" \
  test "$(size_of "$(window_of "Five Laps")")" = 800x600
check "the desktop's mode is back (got $(mode_now))" test "$(mode_now)" = "$desktop"
check "Config.txt keeps the window before EOF" grep -qz $'\\[Screen\\]\nwindow\nEOF' "$work/win/Config.txt"
check "and its first five lines" grep -qz $'^\\[DisplayMode\\]\n800x600:32@60\n\\[AntiAliasing\\]\n1\n' "$work/win/Config.txt"
sleep 2.2
key Escape
wait_exit 10
check "Escape on the title exits 0 after the restart (got $status)" test "$status" = 0
check "the game said nothing had gone wrong" bash -c "! grep -q 'could not\|not understood' '$out'"
finish
