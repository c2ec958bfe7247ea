#!/usr/bin/env bash
# The autopilot flying the real program through zubra-replay (SDL's offscreen driver): the
# first 25 s of the level, once with the autopilot and once with no keys pressed in the
# game. Flown, the ship scores (it fires at what it can reach) and keeps its lives (it
# dodges); left alone it scores nothing and is hit. Flown again, the same game to the point.
#   autopilot_game.sh REPLAY_TOOL DIST
set -euo pipefail
tool=$1 dist=$2
unset DISPLAY
export SDL_VIDEODRIVER=offscreen LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist"/. "$work/game"
export XDG_DATA_HOME="$work/data"

replay() {
  printf 'resolution 320 240\nlighting pervertex\nglow off\nframetime 0.05\nat 26 tap Enter\nend 530\n%s\n' "$1"
}
replay autopilot >"$work/flown.replay"
replay "" >"$work/alone.replay"
for run in flown flown2 alone; do
  file=${run%2}
  "$tool" "$work/$file.replay" --dir "$work/game" --playtest >"$work/$run.txt" 2>"$work/$run.err" ||
    { cat "$work/$run.err"; exit 1; }
  echo "$run: $(head -n 1 "$work/$run.txt")"
done

fail() { echo "$1"; exit 1; }
# "game 1: score S, lives L, T s, ..."
field() { awk -v n="$2" 'NR == 1 { gsub(",", ""); print $n }' "$work/$1.txt"; }
[[ $(grep -c '^game ' "$work/flown.txt") -eq 1 ]] || fail "one game expected"
[[ $(field flown 4) -gt 1000 ]] || fail "the autopilot scored $(field flown 4)"
[[ $(field flown 6) -eq 4 ]] || fail "the autopilot lost a life: $(cat "$work/flown.txt")"
awk -v t="$(field flown 7)" 'BEGIN { exit !(t > 22 && t < 27) }' || fail "the game lasted $(field flown 7) s"
[[ $(field alone 4) -eq 0 ]] || fail "a ship left alone scored $(field alone 4)"
[[ $(field alone 6) -lt 4 ]] || fail "a ship left alone was never hit: the flown game shows no dodging"
cmp -s "$work/flown.txt" "$work/flown2.txt" || fail "the autopilot flew two games: $(cat "$work/flown2.txt")"
echo "ok"
