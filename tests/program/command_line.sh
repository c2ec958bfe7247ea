#!/usr/bin/env bash
# The real executables' command lines, as a user types them without a display: --help and
# --version answer on standard output with status 0 and start nothing; a wrong option or
# argument is refused in a clear line on standard error with status 2; every tool has --help.
#   command_line.sh ZUBRA2 TOOL...
set -euo pipefail
game=$1
shift
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=dummy  # a game that started anyway would fail, not wait
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
fail() { echo "$*"; echo "--- stdout"; cat "$out"; echo "--- stderr"; cat "$err"; exit 1; }

# run EXPECTED_STATUS ARGS...: runs the game (or TOOL) with a time limit.
run() {
  local expected=$1 status=0
  shift
  timeout 20 "$@" >"$out" 2>"$err" </dev/null || status=$?
  [[ $status -eq $expected ]] || fail "$* ended with $status, not $expected"
}

run 0 "$game" --help
grep -q '^Usage: zubra2' "$out" || fail "--help prints no usage"
for option in --no-options --windowed --fullscreen --no-vsync --trace-level --version; do
  grep -q -- "$option" "$out" || fail "--help does not mention $option"
done
[[ ! -s $err ]] || fail "--help wrote to standard error"
run 0 "$game" -h
run 0 "$game" --version
[[ $(cat "$out") =~ ^zubra2\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version prints '$(cat "$out")'"

run 2 "$game" --frobnicate
[[ ! -s $out ]] || fail "a refusal wrote to standard output"
[[ $(head -n 1 "$err") == "zubra2: unknown option '--frobnicate'" ]] || fail "unclear refusal"
grep -q -- "--help" "$err" || fail "the refusal does not point to --help"
run 2 "$game" level.zub.script
grep -q "unexpected argument 'level.zub.script'" "$err" || fail "an argument is not named"
run 2 "$game" --windowed --fullscreen

for tool in "$@"; do
  name=$(basename "$tool")
  run 0 "$tool" --help
  grep -q "^Usage: $name" "$out" || fail "$name --help prints no usage"
  grep -qi "exit status" "$out" || fail "$name --help does not say its exit status"
done
echo "zubra2 --help, --version and refusals, and --help of $# tools, as expected"
