#!/usr/bin/env bash
# An install into a fresh prefix, as a user or a packager makes it: every file a desktop
# needs is there and passes its validator, and the installed game, started from another
# folder, finds its data beside its executable and reaches the menu.
#   install_prefix.sh BUILD ARTIFACTS
set -euo pipefail
build=$1
artifacts=$2
source "$(dirname "$0")/../x11.sh"
x11_start "$0" "$@"
mkdir -p "$artifacts"

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
p=$prefix/usr

fail() { echo "$*"; exit 1; }
expect_file() { [[ -f $p/$1 ]] || fail "missing: $1"; }

expect_file bin/zubra2
[[ -x $p/bin/zubra2 ]] || fail "bin/zubra2 is not executable"
for f in level.zub.script zubra_level1.kor.scene score.zub.score action.mp3 text.kor.texture player.3df; do
  expect_file "share/zubra2/assets/$f"
done
for f in zfill.sh perpixel.sh fog.sh glow.sh; do expect_file "share/zubra2/shaders/$f"; done
[[ $(ls "$p/share/zubra2/assets" | wc -l) -eq $(ls "$build/dist/assets" | wc -l) ]] ||
  fail "share/zubra2/assets does not hold what build/dist/assets holds"

expect_file share/applications/zubra2.desktop
desktop-file-validate "$p/share/applications/zubra2.desktop" || fail "desktop-file-validate refused the entry"
grep -qx 'Categories=Game;ArcadeGame;' "$p/share/applications/zubra2.desktop" || fail "not listed as an arcade game"

expect_file share/metainfo/zubra2.metainfo.xml
validation=$(appstreamcli validate --no-net "$p/share/metainfo/zubra2.metainfo.xml" 2>&1 || true)
echo "$validation"
if grep -q '^E:' <<<"$validation"; then fail "appstreamcli found errors"; fi
grep -q '<caption>' "$p/share/metainfo/zubra2.metainfo.xml" || fail "no screenshot caption"
grep -q '<release version="[0-9.]*" date=' "$p/share/metainfo/zubra2.metainfo.xml" || fail "no release"

for size in 16 24 32 48 64 128 256; do
  icon=share/icons/hicolor/${size}x${size}/apps/zubra2.png
  expect_file "$icon"
  [[ $(identify -format '%wx%h' "$p/$icon") == "${size}x${size}" ]] || fail "$icon is not ${size} px"
done

expect_file share/man/man6/zubra2.6.gz
manual=$(MANWIDTH=80 man -l "$p/share/man/man6/zubra2.6.gz" 2>&1)
grep -q -- '--no-options' <<<"$manual" || fail "the manual page does not render its options"

# The installed game, run from elsewhere: its version, then the menu, left with Escape.
cd /
[[ $("$p/bin/zubra2" --version) =~ ^zubra2\ [0-9] ]] || fail "--version"
export XDG_CONFIG_HOME=$prefix/config XDG_DATA_HOME=$prefix/data LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
"$p/bin/zubra2" --no-options --windowed >"$prefix/out.txt" 2>"$prefix/err.txt" &
pid=$!
timeout 30 xdotool search --sync --name '^Korvanes Engine 1.5' >/dev/null || fail "no game window"
sleep 3
import -window root "$artifacts/installed-menu.png"
xdotool key Escape
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
if kill -0 $pid 2>/dev/null; then kill $pid; cat "$prefix/err.txt"; fail "the installed game did not leave its menu (an error report?)"; fi
status=0
wait $pid || status=$?
[[ $status -eq 0 ]] || { cat "$prefix/err.txt"; fail "the installed game ended with $status"; }
[[ ! -s $prefix/out.txt ]] || { cat "$prefix/out.txt"; fail "the game printed on standard output"; }
echo "install into $p: every file there, validated; the installed game played from /"
