#!/usr/bin/env bash
# The pause in a replay of the real game, fire held all along: while held, nothing in the
# game moves (its entities, sprites, score and lives stay as they were in every row of the
# CSV: no shot leaves), the picture is dimmed under "PAUSED" (screenshots kept), and after
# the Pause key it moves again.
#   replay_pause.sh ZUBRA-REPLAY DIST ARTIFACTS
set -euo pipefail
replay=$1
dist=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=offscreen MESA_GL_VERSION_OVERRIDE=3.3 MESA_GLSL_VERSION_OVERRIDE=330 ALSOFT_DRIVERS=null
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
unset DISPLAY
"$replay" "$here/pause.replay" --dir "$dist" --csv "$work/frames.csv" --shots "$work" 2>"$work/err.txt" ||
  { cat "$work/err.txt"; exit 1; }
for shot in before paused after; do cp "$work/$shot.png" "$artifacts/replay-pause-$shot.png"; done

# Columns: frame,game_time,frame_ms,gl_calls,draw_calls,state_changes,entities,score,lives,
# game,live_objects,live_textures,live_shaders,live_gl_programs,overlays,sprites,...
# Held, the picture is the same each frame, so even its draw calls do not change.
held=$(awk -F, 'NR > 1 && $1 >= 202 && $1 <= 278 { print $7, $8, $9, $10, $16, $5 }' "$work/frames.csv" | sort -u)
[[ $(wc -l <<<"$held") -eq 1 ]] || { echo "the game moved while held:"; echo "$held"; exit 1; }
[[ $(cut -d' ' -f4 <<<"$held") -eq 1 ]] || { echo "the held frames are not in the game"; exit 1; }
overlays() { awk -F, -v f="$1" 'NR > 1 && $1 == f { print $15 }' "$work/frames.csv"; }
[[ $(overlays 240) -gt $(overlays 198) ]] || { echo "no sign was added while held"; exit 1; }
[[ $(overlays 300) -eq $(overlays 198) ]] || { echo "the sign stayed after the pause"; exit 1; }
moved=$(awk -F, 'NR > 1 && $1 >= 282 && $1 <= 318 { print $5, $7, $16 }' "$work/frames.csv" | sort -u | wc -l)
[[ $moved -gt 1 ]] || { echo "the game did not play on after the Pause key"; exit 1; }

mean() { convert "$1" -colorspace Gray -format "%[fx:mean]" info:; }
before=$(mean "$work/before.png") paused=$(mean "$work/paused.png")
echo "brightness before $before, held $paused"
awk -v b="$before" -v p="$paused" 'BEGIN { exit !(p < 0.75 * b) }' || { echo "the held picture is not dimmed"; exit 1; }
echo "held for frames 202 to 278 with nothing moving, dimmed under the sign; played on after"
