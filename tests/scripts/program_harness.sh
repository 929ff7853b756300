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

# Waits up to $1 seconds for a command to succeed, trying it every tenth of a second.
wait_within() {
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
# The bound of every wait for something that must happen: generous, since it costs only when it fails.
wait_for() { wait_within 10 "$@"; }

# A display of its own: Xvfb picks a free number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xserver=$!
wait_for test -s "$work/display" || fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
openbox >"$work/openbox.log" 2>&1 &
wm=$!
window_manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_for window_manager_runs || fail "openbox did not start on $DISPLAY: $(tail -n 3 "$work/openbox.log")"

# The program's visible windows: its frame and, while one is open, a box's drop-down list.
program_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort | xargs; }
window_image() { import -window "$window" -depth 8 rgb:- 2>/dev/null | md5sum; }

# Answers whether the window's picture is the same in two captures in a row: drawn, and not changing.
image_settled() {
  local first
  first=$(window_image)
  sleep 0.05
  [ "$first" = "$(window_image)" ]
}

# Answers whether the program is ready for input: its frame shown and focused by the window manager, and
# drawn.
window_ready() {
  xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable' &&
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ] && image_settled
}

# Answers whether the program $pid shows its frame; sets $window to it.
frame_shown() {
  window=$(xdotool search --onlyvisible --pid "$pid" --name '^Varnel $' 2>/dev/null | head -n1 || true)
  [ -n "$window" ]
}

# Waits until the program $pid, just started, has its frame shown, focused and drawn; sets $window.
wait_for_frame() {
  wait_for frame_shown || fail "no window captioned 'Varnel ' appeared"
  wait_for window_ready || fail "the frame was not shown, focused and drawn"
}

# Starts the program with the given arguments and waits until its frame takes input; sets $pid and $window.
start_program() {
  "$program" "$@" >"$work/stdout" 2>"$work/stderr" &
  pid=$!
  wait_for_frame
}

# Answers whether the numbers line of an applied format is drawn: ink in its place below the boxes, which
# is blank until the first apply.
numbers_line_shown() {
  local darkest
  darkest=$(import -window "$window" -crop 80x14+150+150 +repage -colorspace gray -format '%[fx:minima]' info:)
  awk -v darkest="$darkest" 'BEGIN { exit !(darkest < 0.5) }'
}

# Waits for the program to end by itself; sets $status to its exit status.
wait_for_exit() {
  wait_for program_ended || fail "the program did not end"
  status=0
  wait "$pid" || status=$?
  pid=
}
program_ended() { ! kill -0 "$pid" 2>/dev/null; }

# Answers whether the pointer is at a point of the panel. (xdotool's own --sync waits for a motion, which
# never comes when the pointer is already there.)
pointer_at() {
  local X Y WINDOW SCREEN left top
  left=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
  top=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
  eval "$(xdotool getmouselocation --shell)"
  [ "$X,$Y" = "$((left + $1)),$((top + $2))" ]
}

# Answers whether the program has answered a click: a drop-down list opened or closed, the window's
# picture changed, or the program ended.
click_answered() {
  program_ended || [ "$(program_windows)" != "$windows_before" ] || [ "$(window_image)" != "$image_before" ]
}

# Clicks at a point of the panel, in pixels from its top-left corner (the frame's client area), and waits
# until the program has answered. The pointer's arrival is drawn first (a button lights up under it), so
# that it is not taken for the answer. A click that changes nothing to be seen ends the wait at its bound,
# three seconds.
click_panel() {
  xdotool mousemove --window "$window" "$1" "$2"
  wait_for pointer_at "$1" "$2" || fail "the pointer did not reach $1,$2 of the panel"
  wait_for image_settled || true
  windows_before=$(program_windows)
  image_before=$(window_image)
  xdotool click 1
  wait_within 3 click_answered || true
}
