#!/usr/bin/env bash
# The console as a user meets it: a real window on an X server, a screenshot, a real
# click on "Ok", and the process ends with a failure status.
set -euo pipefail
demo=$1
artifacts=$2
source "$(dirname "$0")/../x11.sh"
x11_start "$0" "$@"
mkdir -p "$artifacts"

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
x11_expect_exit $pid 1
trap - EXIT
echo "console shown, Ok pressed, exit status 1; screenshot $shot"
