#!/usr/bin/env bash
# Many games in a row in one process through zubra-replay: menu, Enter, a short game,
# Escape, the menu again; then the program leaves from the menu with status 0. From its
# CSV: every game ran, and nothing the games make outlives them: at the first menu frame
# after game 10 and after the last game the live device objects, textures, programs,
# samples and streams are the same, a game's entities, overlays and sprites at its tenth
# frame are the same in game 10 and the last, and resident memory does not grow over the
# second half of the games: the straight line fitted through its value after each of them
# rises by less than 1 % from the first to the last (an allocator's one step can break a
# pair of points, not a trend).
#   soak.sh REPLAY_TOOL DIST ARTIFACTS [GAMES] [LIGHTING]   (pervertex or perpixel;
#   SDL's offscreen driver, no display)
set -euo pipefail
tool=$1 dist=$2 artifacts=$3 games=${4:-100} lighting=${5:-pervertex}
(( games >= 10 )) || { echo "a soak needs at least 10 games"; exit 2; }
unset DISPLAY
export SDL_VIDEODRIVER=offscreen LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist"/. "$work"/
export XDG_DATA_HOME="$work/data"

# Steps of 0.1 s: the menu fades out in 10 frames after Enter; each game gets 20 frames
# with fire held. One cycle is 40 frames, with room either side for Enter to land in the
# menu and Escape in the game.
{
  echo "resolution 320 240"
  echo "lighting $lighting"
  echo "glow off"
  echo "frametime 0.1"
  for ((g = 0; g < games; ++g)); do
    base=$((g * 40))
    echo "at $((base + 3)) tap Enter"
    echo "at $((base + 16)) press A"
    echo "at $((base + 34)) release A"
    echo "at $((base + 35)) tap Escape"
  done
  echo "at $((games * 40 + 5)) tap Escape"
  echo "end $((games * 40 + 60))"
} >"$work/soak.replay"

status=0
"$tool" "$work/soak.replay" --dir "$work" --csv "$work/soak.csv" >"$work/out.txt" 2>&1 || status=$?
tail -n 2 "$work/out.txt"
gzip -c "$work/soak.csv" >"$artifacts/soak-$lighting-$games-frames.csv.gz"
[[ $status -eq 0 ]] || { echo "zubra-replay ended with status $status"; exit 1; }

# Columns: 1 frame, 7 entities, 10 game, 11 live objects, 12 textures, 13 shaders,
# 14 GL programs, 15 overlays, 16 sprites, 17 samples, 18 streams, 19 rss_kb.
awk -F, -v games="$games" '
  NR == 1 { next }
  {
    if ($10 > 0) {
      if ($10 != game) { game = $10; frameInGame = 0 }
      if (++frameInGame == 10) inGame[game] = $7 " " $15 " " $16
      last = game
    } else if (last && !(last in after)) {
      after[last] = $11 " " $12 " " $13 " " $14 " " $17 " " $18
      rss[last] = $19
    }
  }
  END {
    bad = 0
    if (last != games) { print "games played: " last " of " games; exit 1 }
    printf "after game 10:  objects textures shaders programs samples streams = %s, rss %d kB\n", after[10], rss[10]
    printf "after game %d: objects textures shaders programs samples streams = %s, rss %d kB\n", games, after[games], rss[games]
    printf "frame 10 of game 10: entities overlays sprites = %s; of game %d: %s\n", inGame[10], games, inGame[games]
    if (after[10] != after[games]) { print "live objects grew"; bad = 1 }
    if (inGame[10] != inGame[games]) { print "a game holds more than game 10 did"; bad = 1 }
    # Least squares over games from the middle to the last.
    first = int(games / 2); n = 0; sx = sy = sxx = sxy = 0
    for (g = first; g <= games; ++g) { n++; sx += g; sy += rss[g]; sxx += g * g; sxy += g * rss[g] }
    slope = (n * sxy - sx * sy) / (n * sxx - sx * sx)
    growth = slope * (games - first) / (sy / n) * 100
    printf "resident memory over games %d to %d: %.0f kB on average, the fitted line rises %.2f %%\n", first, games, sy / n, growth
    if (growth >= 1) { print "resident memory grew over the second half"; bad = 1 }
    exit bad
  }' "$work/soak.csv"
