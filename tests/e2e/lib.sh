# Shared helpers of the whole-game tests (sourced). They need DISPLAY.
passed=0
failed=0

check() {  # check <description> <command...>
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

require_display() {
  [ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run through scripts/test"; exit 1; }
}

# A display of the test's own, so that its mode changes and key events reach
# nobody else and the test need not run alone; stop_own_display on the way out.
own_display() {
  require_display
  own=$("$FIVELAPS_SOURCE_DIR/scripts/xorg-dummy" start) || { echo "no display of its own could be started"; exit 1; }
  export DISPLAY=$own
}
stop_own_display() { [ -n "${own:-}" ] && "$FIVELAPS_SOURCE_DIR/scripts/xorg-dummy" stop "$own"; }

# A scratch game directory: the built data through a link, copies of the
# shipped Config.txt and table (the runs rewrite the table).
make_game_dir() {  # make_game_dir <dir> [mode]
  local dir=$1 game=$FIVELAPS_BINARY_DIR/game
  mkdir -p "$dir"
  ln -sfn "$game/Data" "$dir/Data"
  cp "$game/HighScore5.hs" "$dir/HighScore5.hs"
  if [ -n "${2:-}" ]; then
    printf '[DisplayMode]\n%s\n[AntiAliasing]\n1\nEOF\n' "$2" >"$dir/Config.txt"
  else
    cp "$game/Config.txt" "$dir/Config.txt"
  fi
}

game_window() { xdotool search --name FREEGLUT 2>/dev/null | head -n 1; }

# Starts a command in the background (stdin not a terminal) and waits for the
# game's window; sets $pid. Output goes to $out and $err.
start_bg() {  # start_bg <dir> <command...>
  local dir=$1; shift
  (cd "$dir" && exec "$@" </dev/null >"$out" 2>"$err") &
  pid=$!
  for _ in $(seq 1 300); do
    if [ -n "$(game_window)" ]; then sleep 0.5; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits up to $1 seconds for $pid to end; sets $status (124 if it had to be
# killed). Not in a subshell: only this shell can reap its child.
wait_exit() {
  local limit=$((${1:-10} * 10))
  status=124
  for _ in $(seq 1 "$limit"); do
    if [ "$(ps -o stat= -p "$pid" 2>/dev/null | cut -c1)" = Z ] || ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      status=$?
      return
    fi
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

# The screen as the player sees it, as a binary PPM.
shot() { import -window root -depth 8 "ppm:$1" 2>/dev/null; }
