# Shared steps of the tests that start the real program and act as a user would. Each test runs on a display
# of its own (Xvfb) with its own window manager (openbox), whatever display the caller has; when a tool for
# that is missing, the test is reported as skipped (status 77) with the reason.
# Sourced; expects the program's path in $1.

set -euo pipefail
program=$1
work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config NO_AT_BRIDGE=1 GDK_BACKEND=x11
unset WAYLAND_DISPLAY
mkdir -p "$HOME"
pid= xserver= wm=

cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  [ -n "$xserver" ] && kill "$xserver" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/stderr" ] && sed 's/^/program stderr: /' "$work/stderr" >&2
  exit 1
}

skip() {
  echo "SKIP: $*"
  exit 77
}

for tool in Xvfb openbox xdotool xprop xwininfo wmctrl; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done

# Waits up to five seconds for a command to succeed.
wait_for() {
  for _ in $(seq 50); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# A display of its own: Xvfb picks a free number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xserver=$!
wait_for test -s "$work/display" || fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
openbox >"$work/openbox.log" 2>&1 &
wm=$!
window_manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_for window_manager_runs || fail "openbox did not start on $DISPLAY: $(tail -n 3 "$work/openbox.log")"

# Starts the program with the given arguments and waits for its frame; sets $pid and $window.
start_program() {
  "$program" "$@" >"$work/stdout" 2>"$work/stderr" &
  pid=$!
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Varnel $' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable' && break
    window=
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window captioned 'Varnel ' appeared"
  sleep 0.5
}

# Waits for the program to end by itself; sets $status to its exit status.
wait_for_exit() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end"
  status=0
  wait "$pid" || status=$?
  pid=
}

# Clicks at a point of the panel, in pixels from its top-left corner (the frame's client area).
click_panel() {
  xdotool mousemove --window "$window" "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.3
}
