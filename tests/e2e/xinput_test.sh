#!/usr/bin/env bash
# The real game driven by real X key events (xdotool) and watched through
# screenshots of the root window: the title menu wraps round, the high-score
# screen comes and goes, Escape in the countdown gives up the race without
# touching the table, every function key shows its message in a race, `c`
# changes the camera, and Escape on the title ends the game with status 0.
#   xinput_test.sh <fivelaps binary>
set -uo pipefail
game=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
own_display
work=$(mktemp -d /tmp/fivelaps-xinput-XXXXXX)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; stop_own_display; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
out=$work/out.txt
err=$work/err.txt
make_game_dir "$work/game"  # the shipped mode: the game's window is the whole screen
cp "$work/game/HighScore5.hs" "$work/table.before"

# A player's key press: the title reads held keys once per frame, so a press and
# release that both arrive between two frames would go unseen.
# Race frames are slow on a software renderer: ${hold} seconds covers a frame.
# Auto-repeat is off so that a long press stays one press.
key() {
  local k
  for k in "$@"; do
    xdotool keydown "$k"
    sleep "${hold:-0.25}"
    xdotool keyup "$k"
  done
}
xset r off
# Pixels that differ between two pictures (optionally within a crop WxH+X+Y).
changed() {  # changed <a> <b> [crop]
  local a=$1 b=$2
  if [ -n "${3:-}" ]; then
    convert "$1" -crop "$3" +repage "$work/crop-a.ppm"
    convert "$2" -crop "$3" +repage "$work/crop-b.ppm"
    a=$work/crop-a.ppm b=$work/crop-b.ppm
  fi
  compare -metric AE -fuzz 8% "$a" "$b" null: 2>&1 | cut -d' ' -f1
}
# compare prints large counts in exponent notation: let awk read them.
atleast() { awk -v n="$1" -v m="$2" 'BEGIN { exit !(n + 0 >= m + 0) }'; }
same() { ! atleast "$(changed "$1" "$2")" 2000; }
different() { atleast "$(changed "$@")" "${min:-20000}"; }

check "game starts" start_bg "$work/game" "$game"
sleep 2.8
shot "$work/start.ppm"
# Anisotropic filtering is slow on a software renderer: off before any race.
key F10
sleep 0.5

# Title: Up from the first entry wraps to the last, Down wraps back.
key Up; sleep 0.7; shot "$work/last.ppm"
key Down; sleep 0.7; shot "$work/first.ppm"
key Down; sleep 0.7; shot "$work/second.ppm"
check "Up on the first entry moves the highlight" different "$work/start.ppm" "$work/last.ppm"
check "Down on the last entry wraps to the first" same "$work/start.ppm" "$work/first.ppm"
check "Down moves to the second entry" different "$work/first.ppm" "$work/second.ppm"
check "second and last entries look different" different "$work/second.ppm" "$work/last.ppm"

# High scores and back: the title keeps its highlighted entry.
key Return; sleep 2.8; shot "$work/scores.ppm"
check "Enter on the second entry shows the high scores" different "$work/second.ppm" "$work/scores.ppm"
key Escape; sleep 2.8; shot "$work/back.ppm"
check "Escape returns to the title, second entry still highlighted" same "$work/second.ppm" "$work/back.ppm"

# A race given up in its countdown: the table is shown and not rewritten.
key Up; sleep 0.7
key Return; sleep 1.5
key Escape; sleep 2.8; shot "$work/given-up.ppm"
check "Escape in the countdown shows the high scores" same "$work/scores.ppm" "$work/given-up.ppm"
check "a given-up race leaves the table file alone" cmp -s "$work/table.before" "$work/game/HighScore5.hs"
key Escape; sleep 2.8

# A race: every function key shows its message in the HUD's top-left strip for
# two seconds of race clock. Leaving the last race set the options back, so F10
# goes first again; in the race it is pressed twice at once (on and off again
# before the next frame is drawn).
key F10; sleep 0.5
key Return; sleep 5
crop=260x24+0+76
for f in F10 F1 F2 F3 F4 F5 F6 F7 F8 F9; do
  if [ "$f" = F10 ]; then xdotool key F10 F10; else key "$f"; fi
  sleep 1.2; shot "$work/$f-on.ppm"
  # Wireframe frames are the slowest of all: back to filled at once.
  if [ "$f" = F3 ]; then key F3; sleep 1; fi
  # Frames longer than a quarter of a second slow the race, and its two seconds
  # of message, down with them (culling off, immediate mode): look again later.
  for _ in 1 2 3 4; do
    sleep 2.6; shot "$work/$f-off.ppm"
    min=300 different "$work/$f-on.ppm" "$work/$f-off.ppm" "$crop" && break
  done
  min=300 check "$f shows its message" different "$work/$f-on.ppm" "$work/$f-off.ppm" "$crop"
done
sleep 2.5; shot "$work/camera-far.ppm"
hold=1.5 key c; sleep 2.5; shot "$work/camera-near.ppm"
check "c changes the camera" different "$work/camera-far.ppm" "$work/camera-near.ppm"

key Escape; sleep 2.8
key Escape; sleep 2.8
check "still running before the last Escape" kill -0 "$pid"
key Escape
wait_exit 20
check "Escape on the title exits 0 (got $status)" test "$status" = 0
finish
