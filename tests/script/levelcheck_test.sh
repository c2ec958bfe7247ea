#!/bin/sh
# Runs zubra-levelcheck on each NAME.zub.script in a folder and compares its
# stdout, stderr and exit status with NAME.out, NAME.err and NAME.status.
# Usage: levelcheck_test.sh CHECKER FOLDER
checker=$1
folder=$2
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for script in "$folder"/*.zub.script; do
  name=${script%.zub.script}
  "$checker" "$script" >"$work/out" 2>"$work/err"
  status=$?
  if ! cmp -s "$work/out" "$name.out"; then
    echo "FAIL $(basename "$name"): stdout differs"; diff "$name.out" "$work/out" | head -20; failed=1
  fi
  if ! cmp -s "$work/err" "$name.err"; then
    echo "FAIL $(basename "$name"): stderr differs"; diff "$name.err" "$work/err"; failed=1
  fi
  if [ "$status" != "$(cat "$name.status")" ]; then
    echo "FAIL $(basename "$name"): exit status $status, expected $(cat "$name.status")"; failed=1
  fi
done
# A file that cannot be opened: a message on stderr, nothing on stdout, status 2.
"$checker" "$work/missing.zub.script" >"$work/out" 2>"$work/err"
status=$?
if [ "$status" != 2 ] || [ -s "$work/out" ] || ! grep -q "missing.zub.script" "$work/err"; then
  echo "FAIL missing file: status $status"; failed=1
fi
"$checker" >/dev/null 2>&1
if [ $? != 2 ]; then echo "FAIL no argument: expected status 2"; failed=1; fi
[ $failed = 0 ] && echo "levelcheck output matches"
exit $failed
