#!/usr/bin/env bash
# The console as a user meets it: a real window on an X server, a screenshot, a real
# click on "Ok", and the process ends with a failure status.
set -euo pipefail
demo=$1
artifacts=$2
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
mkdir -p "$artifacts"
unset KOR_WIN32_HEADLESS SDL_VIDEODRIVER

"$demo" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

timeout 20 xdotool search --sync --name '^Korvane Engine 1.5$' >/dev/null
sleep 1
shot="$artifacts/console.png"
import -window root -crop 400x460+0+0 "$shot"

# A drawn console is not one flat colour.
spread=$(convert "$shot" -format '%[fx:standard_deviation]' info:)
awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || { echo "console looks blank (spread $spread)"; exit 1; }

# A click beside the button leaves the report up.
xdotool mousemove 100 200 click 1
sleep 0.5
kill -0 $pid || { echo "console closed without Ok"; exit 1; }

# "Ok" sits centred 26 pixels above the bottom of the 400 x 460 window at the origin.
xdotool mousemove 200 447 click 1
for _ in $(seq 50); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then
  echo "Ok did not end the report"
  exit 1
fi
trap - EXIT
status=0
wait $pid || status=$?
[[ $status -eq 1 ]] || { echo "expected exit status 1 after a report, got $status"; exit 1; }
echo "console shown, Ok pressed, exit status $status; screenshot $shot"
