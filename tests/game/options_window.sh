#!/usr/bin/env bash
# The options dialog as a player meets it on a real X server: a screenshot, then
#   exit: "Exit" ends the program with status 0 and opens nothing else;
#   go:   "Go!!" goes on; run away from the game's folder, the missing level script is
#         reported in the console and "Ok" ends with 1.
#   term: SIGTERM (kill, a closing session) ends the program like any other.
set -euo pipefail
game=$1
artifacts=$2
scenario=$3
source "$(dirname "$0")/../x11.sh"
x11_start "$0" "$@"
mkdir -p "$artifacts"

cd "$(mktemp -d)"
export XDG_CONFIG_HOME=$PWD/config XDG_DATA_HOME=$PWD/data
"$game" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

dialog=$(timeout 20 xdotool search --sync --name '^Zubra 2 Options$' | head -n 1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$dialog")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/options-$scenario.png"

# Button centres in client pixels: Exit at dialog units (210,175,67,15), Go!! at (294,175,60,15).
case $scenario in
  exit) xdotool mousemove $((X + 365)) $((Y + 296)) click 1 ;;
  go) xdotool mousemove $((X + 486)) $((Y + 296)) click 1 ;;
  term) kill -TERM $pid ;;
esac

if [[ $scenario == go ]]; then
  timeout 20 xdotool search --sync --name '^Korvane Engine 1.5$' >/dev/null
  sleep 1
  import -window root -crop 400x460+0+0 "$artifacts/options-go-console.png"
  xdotool mousemove 200 447 click 1
fi

expected=0
[[ $scenario == go ]] && expected=1
[[ $scenario == term ]] && expected=143
x11_expect_exit $pid $expected
trap - EXIT
echo "scenario $scenario: exit status $expected"
