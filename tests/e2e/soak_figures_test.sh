#!/usr/bin/env bash
# The soak's verdict on memory, read from made-up autopilot output: noise and
# the first race's one-time step pass, a steady rise fails, no race at all is
# an error, and only race-start readings count.
#   soak_figures_test.sh <soak-figures script>
set -uo pipefail
figures=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
work=$(mktemp -d /tmp/fivelaps-soakfig-XXXXXX)
trap 'rm -rf "$work"' EXIT

# autopilot_log <file> <MB at each race start...>: a race start, a lap note
# far off the trend and a five-lap total for each reading.
autopilot_log() {
  local file=$1 n=0 mb; shift
  : >"$file"
  for mb in "$@"; do
    n=$((n + 1))
    echo "race $n: memory rss $mb MB, heap in use 60.0 MB, heap held 170.0 MB (38.7 MB mapped)" >>"$file"
    echo "race $n: memory after lap 1 rss 999.0 MB, heap in use 60.0 MB, heap held 170.0 MB (38.7 MB mapped)" >>"$file"
    printf 'total: %d.%03d s, rank 1\n' $((500 - n)) "$n" >>"$file"
  done
}
run() {  # run <log>: sets $status and $report
  report=$("$figures" "$1" 2>&1)
  status=$?
}
has() { grep -qF -- "$1" <<<"$report"; }

# A real 20-race run: a step after the first race, then readings that swing by
# up to 7 % around a level line.
autopilot_log "$work/level" 210.9 236.8 236.9 238.9 241.6 243.2 253.7 243.9 250.0 243.6 \
  248.0 245.9 241.3 249.0 244.7 242.6 243.7 240.9 242.2 250.7
run "$work/level"
check "level memory with a first-race step passes (status $status)" test "$status" = 0
check "20 races counted, lap notes left out" has "soak.races: 20 races"
check "first race-start reading" has "soak.rss_mb_first: 210.9 MB"
check "second race-start reading" has "soak.rss_mb_second: 236.8 MB"
check "last race-start reading" has "soak.rss_mb_last: 250.7 MB"
check "second to last growth" has "soak.rss_growth_pct: 5.9 %"
check "trend along the fitted line" has "soak.rss_trend_pct: 2.0 %"
check "five-lap races counted" has "soak.five_lap_races: 20 races"
check "the best race is the shortest" has "soak.best_race_s: 480.020 s"

# 1.5 MB a race from the second on is a leak, though no reading is far from
# its neighbours: 19 races rise 27 MB over some 230 MB.
leak=()
for i in $(seq 0 19); do leak+=("$(awk -v i="$i" 'BEGIN { printf "%.1f", 210 + 1.5 * i + (i % 2 ? 2 : -2) }')"); done
autopilot_log "$work/leak" "${leak[@]}"
run "$work/leak"
check "a steady rise fails (status $status)" test "$status" = 1
check "the failure says by how much" has "soak: memory rose by"

# Falling memory is no failure.
autopilot_log "$work/falling" 250 260 255 250 245 240
run "$work/falling"
check "falling memory passes (status $status)" test "$status" = 0

# With two races there is nothing to fit: the readings are printed, no verdict.
autopilot_log "$work/two" 200 300
run "$work/two"
check "two races pass without a trend (status $status)" test "$status" = 0
check "two races: no trend printed" bash -c '! grep -q soak.rss_trend_pct <<<"$0"' "$report"

: >"$work/none"
run "$work/none"
check "no race started is an error (status $status)" test "$status" = 2
finish
