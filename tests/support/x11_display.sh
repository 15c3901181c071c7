# Sourced by the tests that drive windows on an X server: a display of their own, Xvfb with openbox as
# the window manager (a window gets its frame, and Wine's windows show to xdotool and in screenshots,
# only under one). Needs Xvfb, openbox, xdotool and the tools named in display_tools; exits 77
# (skipped) when one is missing. Sets DISPLAY and work, a scratch folder removed on exit with every
# process whose pid is added to pids. A program under test may log to $work/app.log, which fail shows.
for tool in Xvfb openbox xdotool ${display_tools:-}; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/setup installs it)"; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/app.log" ] && sed 's/^/  Morvanex: /' "$work/app.log" >&2
  exit 1
}

# Polls up to 30 s (the machine may be busy with other tests) until the command succeeds.
eventually() {
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Xvfb picks a free display number and writes it to fd 3 once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
eventually test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
openbox --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
pids+=($!)
eventually test -e "$work/wm-ready" || fail "openbox did not start"
