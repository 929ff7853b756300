# Shared steps of the tests that start the real program on the X display and act as a user would.
# Sourced; expects the program's path in $1.

set -euo pipefail
program=$1
work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config NO_AT_BRIDGE=1
mkdir -p "$HOME"
pid=

cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/stderr" ] && sed 's/^/program stderr: /' "$work/stderr" >&2
  exit 1
}

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
