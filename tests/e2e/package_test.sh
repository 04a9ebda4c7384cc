#!/usr/bin/env bash
# The Debian package as scripts/package builds it: its control fields and
# layout, its desktop entry (desktop-file-validate), its metainfo (appstreamcli)
# and the whole package (lintian: no errors; its tags are printed). Unpacked into
# a scratch root it runs from there: the launcher sets up the player's folder, the
# game draws its title from the packaged data and leaves on Escape with status 0.
#   package_test.sh <build dir>
set -uo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
work=$(mktemp -d /tmp/fivelaps-package-XXXXXX)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
out=$work/out.txt
err=$work/err.txt
id=org.fivelaps.FiveLaps
took() { echo "$1: $(($(date +%s%N) / 1000000 - t0)) ms"; }

t0=$(($(date +%s%N) / 1000000))
build_package() { (cd "$build" && cpack --config CPackConfig.cmake -B "$work/pkg") >"$work/cpack.log" 2>&1; }
check "cpack builds the package" build_package || cat "$work/cpack.log"
took cpack
deb=$(ls "$work"/pkg/fivelaps_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAILED: no package"; finish; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
check "Section games (got $(field Section))" test "$(field Section)" = games
check "a Maintainer with an address" grep -q '<.*@.*>' <<<"$(field Maintainer)"
# From the libraries the programs link: the window system, the sound and the C library.
for lib in libglut libopenal libsdl2 libc6; do
  check "depends on $lib" grep -q "$lib" <<<"$(field Depends)"
done
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents.txt"
for f in usr/games/fivelaps usr/lib/games/fivelaps/fivelaps usr/lib/games/fivelaps/modeprobe \
  usr/share/games/fivelaps/Config.txt usr/share/games/fivelaps/HighScore5.hs \
  usr/share/games/fivelaps/Data/Models/Track01.wrl usr/share/applications/$id.desktop \
  usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/metainfo/$id.metainfo.xml \
  usr/share/man/man6/fivelaps.6.gz usr/share/doc/fivelaps/copyright; do
  check "package holds $f" grep -qx "./$f" "$work/contents.txt"
done
check "nothing outside /usr" test -z "$(grep -v '^\./usr/\|^\./$' "$work/contents.txt")"

root=$work/root
check "unpack" dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$metainfo"
check "metainfo has the id $id" grep -q "<id>$id</id>" "$metainfo"
check "metainfo launches its desktop entry" grep -q ">$id.desktop</launchable>" "$metainfo"
icon=$(sed -n 's/^Icon=//p' "$desktop")
check "desktop entry's icon $icon is in the hicolor theme" \
  test -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg"
exec_=$(sed -n 's/^Exec=//p' "$desktop" | cut -d' ' -f1)
check "desktop entry starts /usr/games/$exec_" test -x "$root/usr/games/$exec_"
took checks

lintian --allow-root --fail-on error "$deb" >"$work/lintian.txt" 2>&1
status=$?
check "lintian finds no error" test "$status" = 0
sed 's/^/lintian: /' "$work/lintian.txt"
took lintian

# The unpacked game, as a player starts it.
export XDG_DATA_HOME=$work/xdg
user=$XDG_DATA_HOME/fivelaps
check "unpacked launcher starts the game" start_bg "$work" "$root/usr/games/fivelaps"
check "Data reached through a link to the package's" \
  test "$(readlink "$user/Data")" = "$root/usr/share/games/fivelaps/Data"
check "default table copied" cmp -s "$user/HighScore5.hs" "$root/usr/share/games/fivelaps/HighScore5.hs"
# Past the title's fade-in; the title picture and its lettering give it thousands of colours.
sleep 3
shot "$work/title.ppm"
colours=$(convert "$work/title.ppm" -format %k info: 2>/dev/null)
check "the title is drawn ($colours colours)" test "${colours:-0}" -ge 1000
check "every picture found" test -z "$(grep 'not found' "$out")"
xdotool key Escape
wait_exit 15
check "Escape on the title exits 0 (got $status)" test "$status" = 0
took total
finish
