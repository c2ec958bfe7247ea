# Shared by the tests that drive real windows: source it, then call x11_start "$0" "$@".

# Re-runs the calling script under a virtual X server when there is no display, and
# clears what would keep the program off the screen.
x11_start() {
  if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
  unset KOR_WIN32_HEADLESS SDL_VIDEODRIVER
}

# Waits up to 5 s for process $1 to end and checks that its exit status is $2.
x11_expect_exit() {
  local pid=$1 expected=$2 status=0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not end"
    return 1
  fi
  wait "$pid" || status=$?
  [[ $status -eq $expected ]] || { echo "expected exit status $expected, got $status"; return 1; }
}
