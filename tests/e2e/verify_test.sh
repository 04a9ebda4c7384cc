#!/usr/bin/env bash
# Races proved without a window: --verify drives recordings through the race
# tick with DISPLAY unset and says per file what it found; --verify-table
# pairs each entry of a table with the race kept for it, by the entry alone.
#   verify_test.sh <fivelaps binary>
set -uo pipefail
game=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
races=$FIVELAPS_SOURCE_DIR/tests/shell
work=$(mktemp -d /tmp/fivelaps-verify-XXXXXX)
trap 'rm -rf "$work"' EXIT
ln -s "$FIVELAPS_BINARY_DIR/game/Data" "$work/Data"
cd "$work"
verify() { env -u DISPLAY -u XAUTHORITY "$game" "$@" >"$work/out.txt" 2>"$work/err.txt"; status=$?; }
said() { grep -qF -- "$1" "$work/out.txt"; }

verify --verify "$races/race.rec"
check "a whole race verifies with no display (status $status)" test "$status" = 0
check "its total and splits are printed" said "race.rec: 02:58:38 splits 00:14:63 00:22:70 00:36:91"
check "and the word verified" said "02:44:20 02:58:38 verified"

# One tick's keys changed: the keys line of the 400th run held other keys.
awk '/^keys /{ n++; if (n == 400) { $3 = ($3 == "2" ? "3" : "2") } } { print }' "$races/race.rec" >changed.rec
head -c 20000 "$races/race.rec" >short.rec
verify --verify changed.rec short.rec "$races/unfinished.rec" "$races/race.rec"
check "one bad file makes the status 1 (status $status)" test "$status" = 1
check "changed keys are another race" said "changed.rec: not verified: a final pose other than the file's"
check "a file cut short says so" said "short.rec: not verified: cut short"
check "an unfinished race says so" said "unfinished.rec: not verified: unfinished"
check "the good file still verifies" said "race.rec: 02:58:38"

# The table's entry finds its race by what the entry is, not by its place.
line="auto 178.383331 14.633333 22.700001 36.916668 50.016666 58.083332 72.283333 85.383331 93.416664 107.650002 120.733330 128.800003 143.033340 156.133331 164.199997 178.383331"
printf '%s\n' "$line" >HighScore5.hs
verify --verify-table
kept=$(sed -n 's/.*no race kept for it (\(.*\))$/\1/p' "$work/out.txt")
check "an entry without its race is not verified (status $status)" test "$status" = 1 -a -n "$kept"
mkdir -p HighScore5.races && cp "$races/race.rec" "$kept"
verify --verify-table
check "the entry verifies against its race (status $status)" test "$status" = 0
check "its line says so" said "1 auto 02:58:38 splits 00:14:63"
# Another name, a time edited, or the race sorted to another place: no pairing.
printf 'other 100.000000\n%s\n' "${line/auto/eve}" >HighScore5.hs
verify --verify-table
check "an edited table pairs no entry with the race (status $status)" test "$status" = 1
check "neither entry claims it" test "$(grep -c 'no race kept for it' "$work/out.txt")" = 2
printf '%s\n' "${line/178.383331 14/170.000000 14}" >HighScore5.hs
cp "$races/race.rec" "$(env -u DISPLAY "$game" --verify-table | sed -n 's/.*(\(.*\))$/\1/p')"
verify --verify-table
check "a race kept under an edited time's name is not its race" said "not verified: its time is not its race's"
finish
