#!/usr/bin/env bash
# The options dialog as a player meets it on a real X server: a screenshot, then
#   exit: "Exit" ends the program with status 0 and opens nothing else;
#   go:   "Go!!" goes on; the console reports what this build lacks, "Ok" ends with 1.
#   term: SIGTERM (kill, a closing session) ends the program like any other.
set -euo pipefail
game=$1
artifacts=$2
scenario=$3
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
mkdir -p "$artifacts"
unset KOR_WIN32_HEADLESS SDL_VIDEODRIVER

cd "$(mktemp -d)"
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

for _ in $(seq 50); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill -0 $pid 2>/dev/null && { echo "the game did not end"; exit 1; }
trap - EXIT
status=0
wait $pid || status=$?
expected=0
[[ $scenario == go ]] && expected=1
[[ $scenario == term ]] && expected=143
[[ $status -eq $expected ]] || { echo "expected exit status $expected, got $status"; exit 1; }
echo "scenario $scenario: exit status $status"
