#!/usr/bin/env bash
# A TEST press's blocking time on the program's own panel with the accessibility bus running and a screen
# reader's stand-in listening on it (every object event, as Orca listens), beside the same press with no
# bus at all (NO_AT_BRIDGE=1), in one run: the two take turns, round after round, so that both see the same
# machine load. Prints each side's min/median/max over all its repetitions, the ratio of the medians, and
# what the main loop does after a press on each side (the display's work, the bus's requests).
#
# Run (needs an X display, the accessibility bus of at-spi2-core and python3-pyatspi):
#   xvfb-run -a -s "-screen 0 1280x1024x24" bench/accessibility_bench.sh
# Settings (environment): BUILD_DIR (the build, default build), ROUNDS (default 6), REPETITIONS (per round and
# side, default 5), MIN_TIME (seconds per repetition, default 0.3).
set -euo pipefail
cd "$(dirname "$0")/.."
bench=${BUILD_DIR:-build}/bench/varnel_bench
rounds=${ROUNDS:-6}
repetitions=${REPETITIONS:-5}
min_time=${MIN_TIME:-0.3}
launcher=/usr/libexec/at-spi-bus-launcher

[ -n "${DISPLAY:-}" ] || { echo "No X display: run this under xvfb-run." >&2; exit 2; }
[ -x "$bench" ] || { echo "No $bench: build first (cmake --build ${BUILD_DIR:-build})." >&2; exit 2; }
[ -x "$launcher" ] || { echo "No $launcher (Debian package at-spi2-core)." >&2; exit 2; }

work=$(mktemp -d)
bus= a11y= listener=
finish() {
  [ -n "$listener" ] && kill "$listener" 2>/dev/null
  [ -n "$a11y" ] && kill "$a11y" 2>/dev/null
  [ -n "$bus" ] && kill "$bus" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

# A private session bus, its accessibility bus, and a listener for every object event on it.
bus_address=unix:path=$work/bus
dbus-daemon --session --address="$bus_address" --nofork --nopidfile 2>/dev/null &
bus=$!
export DBUS_SESSION_BUS_ADDRESS=$bus_address
until_true() { for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
a11y_bus_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.a11y.Bus | grep -q 'boolean true'
}
until_true test -S "$work/bus"
"$launcher" --launch-immediately --a11y=1 2>/dev/null &
a11y=$!
until_true a11y_bus_up || { echo "the accessibility bus did not start" >&2; exit 1; }
/usr/bin/python3 -c '
import sys, pyatspi
count = [0]
def note(event):
    count[0] += 1
pyatspi.Registry.registerEventListener(note, "object")
open(sys.argv[1], "w").close()
pyatspi.Registry.start()' "$work/listening" 2>/dev/null &
listener=$!
until_true test -e "$work/listening" || { echo "the listener did not start" >&2; exit 1; }

# One round of one side: each repetition's press time and after-press time, in ms, one pair a line.
run_side() { # output file, environment...
  env "${@:2}" "$bench" --benchmark_filter='^BM_PanelPressBlocking' --benchmark_repetitions="$repetitions" \
    --benchmark_min_time="$min_time" --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "\"after_press_ms\"" || $i == "after_press_ms") a = i; next }
      $1 ~ /_(mean|median|stddev|cv)"?$/ { next } { print $3, $a }' >>"$1"
}
for round in $(seq "$rounds"); do
  echo "== round $round of $rounds"
  run_side "$work/without.ms" NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled:
  run_side "$work/with.ms" -u NO_AT_BRIDGE
done

stats() { # file, column: min, median, max and count
  cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 }
    END { print v[1], (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), v[NR], NR }'
}
report() { # label, stats
  local min median max count
  read -r min median max count <<<"$2"
  printf "%-44s min %7.2f ms  median %7.2f ms  max %7.2f ms  (%d repetitions)\n" "$1" "$min" "$median" "$max" "$count"
}
echo "== a TEST press on the panel (scripted device, 999 bytes at once): the time it blocks the window"
report "without the accessibility bus" "$(stats "$work/without.ms" 1)"
report "with the bus and a listener for every event" "$(stats "$work/with.ms" 1)"
awk -v a="$(stats "$work/without.ms" 1)" -v b="$(stats "$work/with.ms" 1)" \
  'BEGIN { split(a, x, " "); split(b, y, " "); printf "median ratio with / without: %.3f\n", y[2] / x[2] }'
echo "== the main loop's work right after a press"
report "without the accessibility bus" "$(stats "$work/without.ms" 2)"
report "with the bus and a listener for every event" "$(stats "$work/with.ms" 2)"
