#!/usr/bin/env bash
# One full race of the real game driven by the autopilot through the player's
# keys: title, five laps, a name typed into the high-score table, Escape. The
# autopilot checks laps, splits and the saved table itself; here its exit
# status, its lap lines and its screenshots are checked, and the race kept
# beside the table proves the autopilot's time with no display.
#   race_test.sh <autopilot> <fivelaps>
set -uo pipefail
autopilot=$(realpath "$1")
game=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-race-XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

# A race lasts about three minutes of race time at any frame rate; the game's
# clock runs five times as fast here, which the smallest mode of the test
# display keeps within the 15 ticks a frame may run. The tenth entry is made
# slow so that the autopilot's time is sure to place.
make_game_dir "$work/game" 320x240:32@60
sed -i '10s/.*/slowpoke 5999.000000 400 800 1200 1600 2000 2400 2800 3200 3600 4000 4400 4800 5200 5600 5999.000000/' \
  "$work/game/HighScore5.hs"
mkdir -p "$work/shots"
(cd "$work/game" && "$autopilot" --shots "$work/shots" --no-anisotropic --name autopilot --fast 5 --time-limit 900 \
  >"$work/out.txt" 2>"$work/err.txt")
status=$?
grep -E '^(race|lap|total|check|autopilot)' "$work/out.txt"
check "autopilot finished the race and its checks (status $status)" test "$status" = 0
check "five lap times printed" test "$(grep -c '^lap [1-5]:' "$work/out.txt")" = 5
check "the name is in the saved table" grep -q '^autopilot ' "$work/game/HighScore5.hs"
check "the slowest entry fell off the table" test "$(grep -c '^slowpoke ' "$work/game/HighScore5.hs")" = 0
kept=$(ls "$work/game/HighScore5.races/"*.rec 2>/dev/null)
check "the race is kept beside the table" test "$(echo "$kept" | grep -c .)" = 1
total=$(sed -n 's/^total: \([0-9.]*\) s.*/\1/p' "$work/out.txt")
shown=$(awk -v t="$total" 'BEGIN { m = int(t / 60); s = t - 60 * m; printf "%02d:%02d:%02d", m, int(s), int((s - int(s)) * 100) }')
(cd "$work/game" && env -u DISPLAY "$game" --verify "$kept" >"$work/verify.txt")
check "--verify with no display proves the kept race (status $?)" grep -q " verified" "$work/verify.txt"
check "at the autopilot's time $shown" grep -q ": $shown splits" "$work/verify.txt"
(cd "$work/game" && env -u DISPLAY "$game" --verify-table >"$work/table.txt")
check "the table's entry verifies against its race" grep -q "^[0-9]* autopilot $shown .* verified$" "$work/table.txt"

# Screenshots: present, not a flat colour, and not all the same picture.
spread() { identify -format '%[fx:standard_deviation]' "$1" 2>/dev/null; }
for name in title countdown race highscores; do
  file=$work/shots/$name.ppm
  check "screenshot $name taken" test -s "$file"
  check "screenshot $name shows a picture (spread $(spread "$file"))" \
    awk -v s="$(spread "$file")" 'BEGIN { exit !(s > 0.03) }'
done
# compare prints large counts in exponent notation: let awk read them.
differ() { awk -v n="$(compare -metric AE -fuzz 8% "$1" "$2" null: 2>&1 | cut -d' ' -f1)" 'BEGIN { exit !(n + 0 > 10000) }'; }
check "title and race pictures differ" differ "$work/shots/title.ppm" "$work/shots/race.ppm"
check "race and high-score pictures differ" differ "$work/shots/race.ppm" "$work/shots/highscores.ppm"
finish
