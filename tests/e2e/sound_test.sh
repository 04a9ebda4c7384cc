#!/usr/bin/env bash
# What the game plays, recorded by OpenAL Soft's wave-file device while the
# autopilot drives a short race: once without the engine sample (the title, race
# and menu music must be heard), once without the music (silence until the race,
# then an engine whose pitch follows the displayed speed).
#   sound_test.sh <autopilot> <soundcheck>
set -uo pipefail
autopilot=$(realpath "$1")
soundcheck=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-sound-XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
game=$FIVELAPS_BINARY_DIR/game

# A game directory whose Data/Sound lacks the files matching $2.
sound_dir() {  # sound_dir <dir> <pattern to leave out>
  local dir=$1
  make_game_dir "$dir" 640x480:32@60
  rm "$dir/Data"
  mkdir -p "$dir/Data/Sound"
  ln -s "$game/Data/Models" "$dir/Data/Models"
  ln -s "$game/Data/Textures" "$dir/Data/Textures"
  for f in "$game"/Data/Sound/*; do
    case $(basename "$f") in $2) ;; *) ln -s "$f" "$dir/Data/Sound/" ;; esac
  done
}

record() {  # record <dir>: a short race with the sound going to <dir>/out.wav
  local dir=$1
  printf '[general]\ndrivers=wave\n[wave]\nfile=%s/out.wav\n' "$dir" >"$dir/alsoft.conf"
  (cd "$dir" && ALSOFT_CONF="$dir/alsoft.conf" "$autopilot" --short --abort-after 12 --no-anisotropic \
    --timeline "$dir/timeline.txt" --time-limit 600 >"$dir/out.txt" 2>"$dir/err.txt")
}

sound_dir "$work/music" 'Carsound.ogg'
record "$work/music"
status=$?
check "autopilot run with music only (status $status)" test "$status" = 0
check "wave device recorded" test -s "$work/music/out.wav"
"$soundcheck" music "$work/music/out.wav" "$work/music/timeline.txt"
check "title, race and menu music heard" test $? = 0

sound_dir "$work/engine" '*.mp3'
record "$work/engine"
status=$?
check "autopilot run with the engine only (status $status)" test "$status" = 0
"$soundcheck" engine "$work/engine/out.wav" "$work/engine/timeline.txt"
check "engine pitch rises with speed" test $? = 0
finish
