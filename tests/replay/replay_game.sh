#!/usr/bin/env bash
# Thirty seconds of a game played by zubra-replay from a copy of the game's folder, on a
# real X server (or SDL's offscreen driver with "offscreen"); then its CSV and a picture:
# frames advance one by one, the game clock runs about 30 s, the score rises and never
# falls, no frame of play costs over a second of CPU (the process's, GL driver threads
# included) once the game has run 3 s, nor takes over 5 s of wall time (on a machine
# shared with parallel tests a frame waits for the CPU); in the first 3 s llvmpipe links
# each new pair of GL programs on its first draw and the first frame loads the level:
# those are held to 20 s. The picture is neither black nor without its HUD.
#   replay_game.sh REPLAY_TOOL DIST ARTIFACTS REPLAY_FILE [offscreen]
set -euo pipefail
tool=$1 dist=$2 artifacts=$3 replay=$4 mode=${5:-x11}
if [[ $mode == offscreen ]]; then
  unset DISPLAY
  export SDL_VIDEODRIVER=offscreen
else
  source "$(dirname "$0")/../x11.sh"
  x11_start "$0" "$@"
fi
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist"/. "$work"/
export XDG_DATA_HOME="$work/data"

status=0
"$tool" "$replay" --dir "$work" --csv "$work/frames.csv" --shots "$work" >"$work/out.txt" 2>&1 || status=$?
tail -n 3 "$work/out.txt"
[[ $status -eq 0 ]] || { echo "zubra-replay ended with status $status"; exit 1; }
cp "$work/frames.csv" "$artifacts/replay-$mode-frames.csv"
cp "$work/game.png" "$artifacts/replay-$mode-game.png" || { echo "no screenshot"; exit 1; }

# Columns: 1 frame, 2 game_time, 3 frame_ms, 7 entities, 8 score, 10 game, 20 cpu_ms.
awk -F, '
  NR == 1 { next }
  $1 != NR - 2 { print "frame " $1 " out of order on row " NR; bad = 1 }
  $10 == 1 {
    ++played
    if ($2 < 3) { if ($3 > warm) warm = $3; if ($3 > 20000) { print "frame " $1 " took " $3 " ms"; bad = 1 } }
    else {
      if ($20 > 1000) { print "frame " $1 " cost " $20 " ms of CPU"; bad = 1 }
      if ($3 > 5000) { print "frame " $1 " took " $3 " ms"; bad = 1 }
      if ($3 > 1000) ++slow
      if ($20 > cpu) cpu = $20
    }
    if ($8 < score) { print "the score fell at frame " $1; bad = 1 }
    score = $8; time = $2; if ($7 > 0) entities = 1
  }
  END {
    if (played < 550) { print "only " played " frames of play"; bad = 1 }
    if (time < 28 || time > 32) { print "the game clock ran " time " s"; bad = 1 }
    if (score <= 0) { print "the score never rose"; bad = 1 }
    if (!entities) { print "no entities in the game"; bad = 1 }
    printf "replay: %d frames of play, %.1f s of game time, score %d; the first 3 s: slowest frame %.0f ms; after: most CPU in a frame %.0f ms, %d frames over 1 s of wall time\n", played, time, score, warm, cpu, slow
    exit bad
  }' "$work/frames.csv"

# Not black, and the HUD: the player's name and score in white at the top left, the
# energy bar's frame at the bottom centre.
shot=$work/game.png
mean=$(convert "$shot" -colorspace Gray -format "%[fx:mean]" info:)
text=$(convert "$shot" -crop 180x60+30+100 -colorspace Gray -threshold 80% -format "%[fx:mean]" info:)
awk -v m="$mean" -v t="$text" 'BEGIN {
  printf "picture: brightness %.3f, HUD text %.3f\n", m, t
  if (m < 0.05) { print "the picture is black"; exit 1 }
  if (t < 0.02) { print "no HUD text at the top left"; exit 1 }
}'
