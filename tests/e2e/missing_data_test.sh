#!/usr/bin/env bash
# The real game started where there is no Data/ at all: every missing file is
# named on standard output, the title still comes up, and Escape leaves with 0.
#   missing_data_test.sh <fivelaps binary>
set -uo pipefail
game=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-nodata-XXXXXX)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
out=$work/out.txt
err=$work/err.txt
printf '[DisplayMode]\n640x480:32@60\n[AntiAliasing]\n1\nEOF\n' >"$work/Config.txt"

check "game starts without Data/" start_bg "$work" "$game"
# Past the title's fade-in: a crash in its first frames would show here.
sleep 3
check "game still running on the title" kill -0 "$pid"
xdotool key Escape
wait_exit 20
check "Escape on the title exits 0 (got $status)" test "$status" = 0
for f in Data/Textures/Menue01.tga Data/Textures/Loading.tga Data/Textures/Characters.tga \
  Data/Textures/HighScoreBackground.tga Data/Textures/Numbers.tga; do
  check "missing $f reported" grep -qx "File $f not found" "$out"
done
check "every report names a file under Data/" \
  test "$(grep -c '^File ' "$out")" = "$(grep -c '^File Data[/\\].* not found$' "$out")"
check "no table file was written by looking at the title" test ! -e "$work/HighScore5.hs"
finish
