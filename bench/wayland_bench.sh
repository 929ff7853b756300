#!/usr/bin/env bash
# TEST on GTK's Wayland backend beside X11, in one run, and how often the live trace reaches the screen while
# a press records through a sound server. Starts its own Xvfb, headless sway and GNOME Shell
# (tests/wayland/desktop_session, as an unprivileged user when run as root) and private PipeWire session;
# prints its figures:
# - the blocking time of a press on a device that has its bytes at once (varnel_bench's
#   BM_CaptureTestBlocking, through the panel's client-area target), on X11, on sway and on GNOME, round
#   after round;
# - for presses of the real program through the sound server (11025 Hz, 8-bit, mono: 999 bytes are 90.6 ms of
#   audio), from its Wayland protocol log: how long the press ran, how many frame callbacks the compositor
#   sent meanwhile and how many commits showed band pixels.
# Run: bench/wayland_bench.sh [BUILD_DIR]   (default build; needs varnel, varnel_bench and wayland_input built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
desktop=$PWD/tests/wayland/desktop_session
rounds=${ROUNDS:-3}
presses=${PRESSES:-5}
work=$(mktemp -d)
chmod 755 "$work"
mkdir -m 777 "$work/bin" "$work/sound"
cp "$build/varnel" "$build/bench/varnel_bench" "$build/tests/wayland/wayland_input" \
  tests/support/sound_server/session "$work/bin/"
xserver=
cleanup() {
  "$desktop" run "$work/sway" "$work/bin/session" stop "$work/sound" >/dev/null 2>&1 || true
  "$desktop" stop "$work/sway" || true
  "$desktop" stop "$work/gnome" || true
  [ -n "$xserver" ] && kill "$xserver" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export NO_AT_BRIDGE=1

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xserver=$!
until [ -s "$work/display" ]; do sleep 0.05; done
"$desktop" start sway "$work/sway"
"$desktop" start gnome "$work/gnome"

blocking() { # where, command...: the median real time of the press, in ms
  local where=$1
  shift
  "$@" --benchmark_filter='^BM_CaptureTestBlocking' --benchmark_repetitions=5 --benchmark_min_time=0.3 \
    --benchmark_format=csv 2>/dev/null |
    awk -F, -v where="$where" '$1 ~ /_median"?$/ { printf "  %-8s %.3f ms\n", where, $3 / ($5 ~ /us/ ? 1000 : 1) }'
}
echo "== TEST on a device with its bytes at once: blocking time (median of 5)"
for round in $(seq "$rounds"); do
  echo " round $round"
  blocking X11 env -u WAYLAND_DISPLAY DISPLAY=":$(head -n1 "$work/display")" GDK_BACKEND=x11 "$work/bin/varnel_bench"
  blocking sway "$desktop" run "$work/sway" "$work/bin/varnel_bench"
  blocking GNOME "$desktop" run "$work/gnome" "$work/bin/varnel_bench"
done

echo "== TEST through the sound server on Wayland: $presses presses of 90.6 ms of audio each"
"$desktop" run "$work/sway" "$work/bin/session" start "$work/sound" >/dev/null 2>&1
"$desktop" run "$work/sway" env $(cat "$work/sound/env") HOME="$work/sound/home" \
  XDG_RUNTIME_DIR="$work/sound/run" WAYLAND_DEBUG=1 "$work/bin/varnel" 2>"$work/log" &
program=$!
until "$desktop" window "$work/sway" >/dev/null 2>&1; do sleep 0.05; done
read -r wx wy _ < <("$desktop" window "$work/sway")
mkfifo -m 666 "$work/input"
"$desktop" input "$work/sway" "$work/bin/wayland_input" <"$work/input" \
  >/dev/null &
exec 7>"$work/input"
# Per press, from the release of the button to the commit of the count line (drawn below the band, left of
# the button): its duration, the frame callbacks received and the commits of band pixels.
per_press() {
  awk '/wl_pointer@[0-9]+\.button\(.*, 272, 0\)/ { start = substr($1, 2) + 0; frames = band = shown = 0; on = 1 }
    on && /wl_callback@[0-9]+\.done\(/ { frames++ }
    on && /damage\(/ { split($0, a, /[(), ]+/); y = a[5]; if (y <= 293 && y + a[7] > 165) band = 1
                       if (y >= 338 && y < 350 && a[4] < 120) ended = 1 }
    on && /commit\(\)/ { if (band) shown++; band = 0
                         if (ended) { printf "  press %d: %.1f ms, %d frame callbacks, trace shown %d times\n", ++n, substr($1, 2) - start, frames, shown; on = ended = 0 } }' \
    "$work/log"
}
sleep 1 # the program settles before the first press
for press in $(seq "$presses"); do
  echo "move $((wx + 160)) $((wy + 365))" >&7
  echo click >&7
  until [ "$(per_press | wc -l)" -ge "$press" ]; do sleep 0.05; done
done
per_press
kill "$program"
