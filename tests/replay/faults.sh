#!/usr/bin/env bash
# Fault runs through zubra-replay, one per line of the table it prints. Each asset in turn
# (every file under assets/ and shaders/, selected by a pattern) missing, then cut to half
# its length; and the environment: no display, no sound device, OpenGL below 3.3.
# A run passes when it ends by itself within its time with either the game's report in
# the console and status 1, or status 0 and a picture of the game that is not black (an
# absence the engine allows, such as a missing texture or sound); a crash, a hang, another
# status or a silent black game fails.
#   faults.sh REPLAY_TOOL DIST ARTIFACTS files|environment [PATTERN]
set -uo pipefail
tool=$1 dist=$2 artifacts=$3 kind=$4 pattern=${5:-.}
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist"/. "$work/game"
export XDG_DATA_HOME="$work/data" LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
unset DISPLAY
export SDL_VIDEODRIVER=offscreen

# Menu, Enter, two seconds of a game with a picture, Escape, Escape.
cat >"$work/fault.replay" <<'REPLAY'
resolution 320 240
lighting perpixel
glow on
frametime 0.1
at 3 tap Enter
shot 28 game.png
at 33 tap Escape
at 50 tap Escape
end 150
REPLAY

failures=0
table=$artifacts/faults-$kind.txt
: >"$table"

# run NAME [env assignments...]: plays the replay and judges the outcome.
run() {
  local name=$1 status=0 outcome
  shift
  rm -f "$work/game.png"
  env "$@" timeout -k 5 120 "$tool" "$work/fault.replay" --dir "$work/game" --shots "$work" \
    >"$work/out.txt" 2>&1 || status=$?
  local error description
  error=$(grep -m1 '  Error:' "$work/out.txt" | sed 's/.*Error: *//')
  description=$(grep -m1 '  description:' "$work/out.txt" | sed 's/.*description: *//')
  if [[ $status -eq 124 || $status -eq 137 ]]; then
    outcome="FAIL hang"
  elif [[ $status -ge 128 ]]; then
    outcome="FAIL crash (signal $((status - 128)))"
  elif [[ $status -eq 1 ]] && grep -q "reported an error" "$work/out.txt"; then
    outcome="report, status 1: $error: $description"
  elif [[ $status -eq 1 ]]; then
    outcome="FAIL status 1 without a report: $(grep -v '^[0-9]* - ' "$work/out.txt" | tail -n 1)"
  elif [[ $status -eq 0 && -f $work/game.png ]]; then
    local mean
    mean=$(convert "$work/game.png" -colorspace Gray -format "%[fx:mean]" info:)
    if awk -v m="$mean" 'BEGIN { exit !(m < 0.03) }'; then outcome="FAIL black picture, status 0"
    else outcome="plays, status 0 (picture brightness $mean)"; fi
  else
    outcome="FAIL status $status"
  fi
  [[ $outcome == FAIL* ]] && { ((++failures)); tail -n 15 "$work/out.txt" >"$artifacts/faults-$(echo "$name" | tr ' /' '__').log"; }
  printf '%-40s %s\n' "$name" "$outcome" | tee -a "$table"
}

if [[ $kind == files ]]; then
  while IFS= read -r file; do
    original=$work/original
    cp "$work/game/$file" "$original"
    rm "$work/game/$file"
    run "missing $file"
    head -c $(( $(stat -c %s "$original") / 2 )) "$original" >"$work/game/$file"
    run "truncated $file"
    cp "$original" "$work/game/$file"
  done < <(cd "$work/game" && find assets shaders -type f | sort | grep -E "$pattern")
else
  # No display: neither X nor an offscreen driver asked for.
  run "no display" -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY
  # No sound device: OpenAL Soft with a backend that does not exist.
  run "no sound device" ALSOFT_DRIVERS=none-such
  says=$(grep -c "no sound device could be opened" "$work/out.txt")
  printf '%-40s %s\n' "  its trace lines about sound" "$says" | tee -a "$table"
  [[ $says -eq 1 ]] || { echo "FAIL: one trace line should say there is no sound device"; ((++failures)); }
  # OpenGL 3.0 only.
  run "OpenGL 3.0" MESA_GL_VERSION_OVERRIDE=3.0 MESA_GLSL_VERSION_OVERRIDE=130
fi
echo "faults ($kind): $failures failed"
[[ $failures -eq 0 ]]
