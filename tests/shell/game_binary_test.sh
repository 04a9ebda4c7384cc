#!/usr/bin/env bash
# The real fivelaps binary under the test display: display modes from
# Config.txt, the console failure path, and the exit paths with the desktop
# mode restored afterwards. Needs DISPLAY (scripts/test starts Xorg).
#   game_binary_test.sh <fivelaps binary>
set -uo pipefail
game=$(realpath "$1")
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run through scripts/test"; exit 1; }
work=$(mktemp -d /tmp/fivelaps-bin-XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check <description> <command...>
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

# Holds a key for a moment, as a finger does: the game reads held keys once per frame.
tap() { xdotool keydown "$1"; sleep 0.25; xdotool keyup "$1"; sleep 0.1; }

current_mode() { xvidtune -show 2>/dev/null | awk '{gsub(/"/, "", $1); print $1}'; }
desktop_mode=$(current_mode)

# Starts the game in directory $1 (stdin not a terminal); sets $pid and waits for its window.
start_game() {
  (cd "$1" && exec "$game" </dev/null >"$1/out.txt" 2>"$1/err.txt") &
  pid=$!
  for _ in $(seq 1 200); do
    if xdotool search --name FREEGLUT >/dev/null 2>&1; then sleep 0.5; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits for the game to end; sets $status (124 when it had to be killed).
wait_exit() {
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      status=$?
      return
    fi
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  status=124
}

# 1. No Config.txt: the default mode, then Escape on the title exits 0.
mkdir -p "$work/default"
check "game starts without Config.txt" start_game "$work/default"
check "default mode is 1024x786" test "$(current_mode)" = 1024x786
tap Escape
wait_exit
check "Escape on the title exits 0 (got $status)" test "$status" = 0
check "desktop mode back after Escape" test "$(current_mode)" = "$desktop_mode"
check "the game wrote its Controls.txt where there was none" grep -qx 'accelerate Up' "$work/default/Controls.txt"

# 2. Config.txt naming 800x600: that mode is entered; leaving through the
#    title's last entry (Up wraps round to it once the fade-in is over).
mkdir -p "$work/small"
printf '[DisplayMode]\n800x600:32@60\n[AntiAliasing]\n1\nEOF\n' >"$work/small/Config.txt"
check "game starts in 800x600" start_game "$work/small"
check "mode is 800x600 (got $(current_mode))" test "$(current_mode)" = 800x600
window_size() { xwininfo -name FREEGLUT 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
sleep 0.5
check "the window covers the mode, not the virtual screen (got $(window_size))" test "$(window_size)" = 800x600
sleep 2.2
tap Up
tap Return
wait_exit
check "the leave entry exits 0 (got $status)" test "$status" = 0
check "desktop mode back after the leave entry (got $(current_mode))" test "$(current_mode)" = "$desktop_mode"

# 3. A mode that cannot be had: the console message, no wait without a terminal, status 0.
mkdir -p "$work/impossible"
printf '[AntiAliasing]\n' >"$work/impossible/Config.txt"
(cd "$work/impossible" && timeout 20 "$game" </dev/null >out.txt 2>err.txt)
status=$?
check "impossible mode exits 0 without waiting (got $status)" test "$status" = 0
check "failure message byte for byte" cmp -s "$work/impossible/out.txt" \
  <(printf 'Not possible\nReconfigure the "Config.txt"-File\nPlease press a key\n')
check "desktop mode untouched by the failure path" test "$(current_mode)" = "$desktop_mode"

# 4. SIGTERM ends the game: the pad layer (SDL) leaves the signals alone. The
#    default mode is the desktop's, so no mode is left behind.
mkdir -p "$work/signal"
check "game starts for the signal" start_game "$work/signal"
kill -TERM "$pid"
wait_exit
check "SIGTERM ends the game (got $status)" test "$status" = 143

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
