#!/usr/bin/env bash
# The real game started with a Config.txt holding huge, negative, non-numeric
# or binary values: it either says the mode is not possible and exits 0, or
# comes up and leaves with 0 on Escape. Never a crash.
#   config_faults_test.sh <fivelaps binary>
set -uo pipefail
game=$(realpath "$1")
. "$FIVELAPS_SOURCE_DIR/tests/e2e/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-config-XXXXXX)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
out=$work/out.txt
err=$work/err.txt
ln -s "$FIVELAPS_BINARY_DIR/game/Data" "$work/Data"

try_config() {  # try_config <name> <Config.txt contents>
  local name=$1
  printf '%b' "$2" >"$work/Config.txt"
  pid=""
  (cd "$work" && exec "$game" </dev/null >"$out" 2>"$err") &
  pid=$!
  # Either the window comes up or the game leaves on its own.
  for _ in $(seq 1 200); do
    [ -n "$(game_window)" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$(game_window)" ]; then
    sleep 1
    xdotool key Escape
    wait_exit 30
    check "$name: runs and leaves with 0 on Escape (got $status)" test "$status" = 0
  else
    wait_exit 10
    check "$name: exits 0 (got $status)" test "$status" = 0
    check "$name: says the mode is not possible" grep -q "^Not possible" "$out"
  fi
  check "$name: no sanitizer or crash report" bash -c "! grep -qE 'Sanitizer|runtime error|Segmentation' '$err'"
  pid=""
}

try_config huge '[DisplayMode]\n99999999999999999999x99999999999999999999:99999999999@99999999999\n[AntiAliasing]\n99999999999\nEOF\n'
try_config negative '[DisplayMode]\n-640x-480:-32@-60\n[AntiAliasing]\n-4\nEOF\n'
try_config words '[DisplayMode]\nwide x tall : deep @ fast\n[AntiAliasing]\nmany\nEOF\n'
try_config zero '[DisplayMode]\n0x0:0@0\n[AntiAliasing]\n0\nEOF\n'
try_config binary '\x01\xff\xfe[DisplayMode]\n\x80\x81x\x82\n[AntiAliasing]\n\xff\n'
finish
