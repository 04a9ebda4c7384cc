#!/usr/bin/env bash
# An installation staged with DESTDIR runs from there: the launcher sets up the
# player's directory, the game starts and leaves on Escape with status 0, a
# display that cannot enter the shipped mode gets the desktop's, and
# reinstalling never touches the player's files.
#   install_test.sh <build dir>
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-install-XXXXXX)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
out=$work/out.txt
err=$work/err.txt
prefix=/opt/fivelaps
stage=$work/stage
install_staged() { DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; }

check "install into a staging directory" install_staged
root=$stage$prefix
for f in bin/fivelaps libexec/fivelaps/fivelaps libexec/fivelaps/modeprobe share/fivelaps/Config.txt \
  share/fivelaps/HighScore5.hs share/fivelaps/Data/Models/Track01.wrl share/applications/org.fivelaps.FiveLaps.desktop \
  share/icons/hicolor/scalable/apps/org.fivelaps.FiveLaps.svg share/metainfo/org.fivelaps.FiveLaps.metainfo.xml \
  share/man/man6/fivelaps.6.gz; do
  check "installed $f" test -e "$root/$f"
done
check "desktop entry starts the launcher" grep -qx 'Exec=fivelaps' "$root/share/applications/org.fivelaps.FiveLaps.desktop"

# 1. First start: the user directory is made, the game runs, Escape leaves with 0.
export XDG_DATA_HOME=$work/xdg
user=$XDG_DATA_HOME/fivelaps
check "staged launcher starts the game" start_bg "$work" "$root/bin/fivelaps"
check "Data reached through a link to the installation" \
  test "$(readlink "$user/Data")" = "$root/share/fivelaps/Data"
check "default table copied" cmp -s "$user/HighScore5.hs" "$root/share/fivelaps/HighScore5.hs"
check "default Config.txt copied" cmp -s "$user/Config.txt" "$root/share/fivelaps/Config.txt"
xdotool key Escape
wait_exit 15
check "Escape on the title exits 0 (got $status)" test "$status" = 0

# 2. The player's records and settings survive a reinstall and the next start.
printf 'mine 99.000000 1 2 3 4 5 6 7 8 9 10 11 12 13 14 99.000000\n' >"$user/HighScore5.hs"
printf '[DisplayMode]\n800x600:32@60\n[AntiAliasing]\n1\nEOF\n' >"$user/Config.txt"
cp "$user/HighScore5.hs" "$work/table.keep"
cp "$user/Config.txt" "$work/config.keep"
check "reinstall" install_staged
check "game starts again after the reinstall" start_bg "$work" "$root/bin/fivelaps"
xdotool key Escape
wait_exit 15
check "second start exits 0 (got $status)" test "$status" = 0
check "player's table survives a reinstall" cmp -s "$user/HighScore5.hs" "$work/table.keep"
check "player's Config.txt survives a reinstall" cmp -s "$user/Config.txt" "$work/config.keep"

# 3. A shipped mode this display cannot enter: the first start writes the desktop's.
mkdir -p "$work/odd"
ln -s "$root/share/fivelaps/Data" "$work/odd/Data"
cp "$root/share/fivelaps/HighScore5.hs" "$work/odd/"
printf '[DisplayMode]\n1234x567:32@60\n[AntiAliasing]\n1\nEOF\n' >"$work/odd/Config.txt"
export XDG_DATA_HOME=$work/xdg2
check "first start with an impossible shipped mode" \
  start_bg "$work" env FIVELAPS_DATA_DIR="$work/odd" "$root/bin/fivelaps"
mode=$(sed -n 2p "$XDG_DATA_HOME/fivelaps/Config.txt")
check "Config.txt names a mode the display can enter (got $mode)" "$root/libexec/fivelaps/modeprobe" "$mode" >/dev/null
check "the impossible mode was not kept" test "$mode" != 1234x567:32@60
xdotool key Escape
wait_exit 15
check "Escape exits 0 (got $status)" test "$status" = 0
check "modeprobe refuses a mode the display lacks" test "$("$root/libexec/fivelaps/modeprobe" 1234x567:32@60; echo $?)" = 1

finish
