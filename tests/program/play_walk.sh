#!/usr/bin/env bash
# A player's walk through the real game on a real X server, with screenshots kept:
#   walk:    per-vertex lighting, a name typed, Go!!; the menu (not black); Down, Enter:
#            the high scores; Escape; Up, Enter: a game; Escape: back to the menu, which
#            fades in; Escape: the program ends with 0, having printed nothing, and the
#            player's score file holds the name. Started again, the dialog opens with the
#            name and lighting chosen, which Go!! alone keeps.
#   close:   the dialog's close box ends the program with 0 and no game window.
#   damaged: a short shipped score file is reported; "Ok" ends the program with 1.
set -euo pipefail
dist=$1
artifacts=$2
scenario=$3
close_window=$4
source "$(dirname "$0")/../x11.sh"
x11_start "$0" "$@"
mkdir -p "$artifacts"
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null

# A copy of the game's folder, so the damaged case can spoil its score file.
work=$(mktemp -d)
cp -r "$dist"/. "$work"/
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
cd "$work"
[[ $scenario == damaged ]] && head -c 50 assets/score.zub.score >assets/short && mv assets/short assets/score.zub.score
# Shipped scores of 0 to 9, so even a game that scores nothing enters the best ten.
if [[ $scenario == walk ]]; then
  for i in $(seq 0 9); do
    name="Low$i"
    printf '%s' "$name"
    head -c $((16 - ${#name})) /dev/zero
    printf "\\x$(printf %02x "$i")\\x00\\x00\\x00"
  done >assets/score.zub.score
fi

./zubra2 >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

dialog=$(timeout 30 xdotool search --sync --name '^Zubra 2 Options$' | head -n 1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$dialog")"

# Gives a loaded machine time to end the program before its status is checked.
wait_end() { for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done; }

# The brightness of the screen, 0 (black) to 1.
brightness() { import -window root "$1" && convert "$1" -colorspace Gray -format "%[fx:mean]" info:; }
bright_enough() { awk -v b="$1" -v min="$2" 'BEGIN { exit !(b > min) }'; }

if [[ $scenario == close ]]; then
  "$close_window" "$dialog"
  wait_end
  x11_expect_exit $pid 0
  if xdotool search --name '^Zubra 2$' >/dev/null 2>&1; then echo "a game window opened"; exit 1; fi
  trap - EXIT
  echo "scenario close: exit status 0"
  exit 0
fi

# Per-vertex lighting (radio at dialog units 18,36), the name (edit at 164,68), Go!!.
xdotool mousemove $((X + 34)) $((Y + 66)) click 1
xdotool mousemove $((X + 325)) $((Y + 121)) click 1 click 1 click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 50 'Walker'
xdotool mousemove $((X + 486)) $((Y + 296)) click 1

if [[ $scenario == damaged ]]; then
  timeout 30 xdotool search --sync --name '^Korvane Engine 1.5$' >/dev/null
  sleep 1
  import -window root "$artifacts/walk-damaged-score.png"
  xdotool mousemove 200 447 click 1
  wait_end
  x11_expect_exit $pid 1
  trap - EXIT
  echo "scenario damaged: exit status 1"
  exit 0
fi

sleep 4
b=$(brightness "$artifacts/walk-menu.png"); echo "menu brightness $b"
bright_enough "$b" 0.05 || { echo "the menu is black"; exit 1; }
xdotool key Down; sleep 0.5; xdotool key Return; sleep 2
b=$(brightness "$artifacts/walk-high-scores.png"); echo "high scores brightness $b"
bright_enough "$b" 0.05 || { echo "the high-score screen is black"; exit 1; }
xdotool key Escape; sleep 1
xdotool key Up; sleep 0.5; xdotool key Return; sleep 10
b=$(brightness "$artifacts/walk-game.png"); echo "game brightness $b"
bright_enough "$b" 0.05 || { echo "the game is black"; exit 1; }
xdotool key Escape; sleep 4
b=$(brightness "$artifacts/walk-menu-again.png"); echo "menu after the game brightness $b"
bright_enough "$b" 0.05 || { echo "the menu did not fade in after the game"; exit 1; }
xdotool key Escape
wait_end
x11_expect_exit $pid 0
trap - EXIT
score_file="$XDG_DATA_HOME/zubra2/score.zub.score"
[[ -f $score_file ]] || { echo "no score file at $score_file"; exit 1; }
grep -aq Walker "$score_file" || { echo "the score file does not hold the name"; exit 1; }
# A whole walk prints nothing: no trace, no library's chatter.
for stream in out err; do
  [[ ! -s $work/$stream.txt ]] || { echo "the game wrote to std$stream:"; head -n 20 "$work/$stream.txt"; exit 1; }
done
options_file="$XDG_CONFIG_HOME/zubra2/options.conf"
remembered() { grep -qx 'name = Walker' "$options_file" && grep -qx 'lighting = pervertex' "$options_file"; }
remembered || { echo "the choices were not remembered:"; cat "$options_file"; exit 1; }

# Again: Go!! alone, then Escape on the menu. Go!! writes the file anew from what the dialog
# shows (the mark goes), so the choices stay only if the dialog opened with them.
echo "# mark" >>"$options_file"
./zubra2 >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
dialog=$(timeout 30 xdotool search --sync --name '^Zubra 2 Options$' | head -n 1)
sleep 1
import -window root "$artifacts/walk-options-remembered.png"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 486)) $((Y + 296)) click 1
sleep 4
xdotool key Escape
wait_end
x11_expect_exit $pid 0
trap - EXIT
if grep -q '^# mark' "$options_file"; then echo "Go!! did not write the choices"; exit 1; fi
remembered || { echo "the dialog did not open with the remembered choices:"; cat "$options_file"; exit 1; }
echo "scenario walk: exit status 0, the menu, high scores and a game shown, nothing printed, the score and the choices kept"
