#!/usr/bin/env bash
# The Windows build under Wine beside the Linux build, through one private PipeWire session; prints:
# - the sizes of varnel.exe, varnel-probe.exe, the zip and the installer;
# - the window's start under Wine: from `wine varnel.exe` to its window being mapped;
# - TEST's capture (11025 Hz, 8-bit, mono: 999 bytes, 90.6 ms of audio), as varnel-probe makes it with the
#   same capture run as the window, through Wine's winmm and through ALSA: milliseconds to the first data
#   and to the full buffer, and the whole run of the program;
# - the 12-format matrix probed side by side: how many formats came back with their whole buffer.
# Run under an X display: bench/windows_bench.sh [LINUX_BUILD] [WINDOWS_BUILD]   (defaults build,
# build-windows). ROUNDS sets the rounds (default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(realpath "${1:-build}")
windows=$(realpath "${2:-build-windows}")
rounds=${ROUNDS:-10}
session=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$session/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
finish() {
  tests/support/sound_server/session stop "$session" >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  rm -rf "$session"
}
trap finish EXIT

milliseconds() { echo $(($(date +%s%N) / 1000000)); }
# min / median / max of the numbers on standard input
spread() { sort -n | awk '{ v[NR] = $1 } END { printf "%s / %s / %s", v[1], v[int((NR + 1) / 2)], v[NR] }'; }
# One field of every result of a --json report, a line each.
field() { python3 -c 'import json, sys; [print(r[sys.argv[1]]) for r in json.load(sys.stdin)["results"]]' "$1"; }

echo "sizes (bytes):"
for file in "$windows"/varnel.exe "$windows"/varnel-probe.exe "$windows"/varnel-*-windows-x64.zip \
  "$windows"/varnel-*-setup.exe; do
  printf '  %-34s %9d\n' "$(basename "$file")" "$(stat -c %s "$file")"
done

wineboot -i >/dev/null 2>&1
tests/support/sound_server/session start "$session"
set -a
. "$session/env"
set +a

starts=()
for _ in $(seq "$rounds"); do
  begun=$(milliseconds)
  wine "$windows/varnel.exe" &
  program=$!
  until xdotool search --onlyvisible --name '^Varnel $' >/dev/null 2>&1; do sleep 0.01; done
  starts+=($(($(milliseconds) - begun)))
  kill "$program"
  wait "$program" 2>/dev/null || true
  while xdotool search --name '^Varnel $' >/dev/null 2>&1; do sleep 0.05; done
done
echo "window start under Wine, ms (min / median / max of $rounds): $(printf '%s\n' "${starts[@]}" | spread)"

probe_rounds() { # label, probe command...
  local label=$1 first=() full=() whole=()
  shift
  for _ in $(seq "$rounds"); do
    local begun report
    begun=$(milliseconds)
    report=$("$@" --format 11025,8,1 --json | tr -d '\r' || true)
    whole+=($(($(milliseconds) - begun)))
    first+=($(field first_data_ms <<<"$report"))
    full+=($(field full_buffer_ms <<<"$report"))
  done
  echo "$label (min / median / max of $rounds):"
  echo "  first data, ms     $(printf '%s\n' "${first[@]}" | spread)"
  echo "  full buffer, ms    $(printf '%s\n' "${full[@]}" | spread)"
  echo "  whole program, ms  $(printf '%s\n' "${whole[@]}" | spread)"
}
probe_rounds "TEST's capture through ALSA (Linux)" "$linux/varnel-probe"
probe_rounds "TEST's capture through Wine's winmm" wine "$windows/varnel-probe.exe"

matrix() { # probe command...
  local complete=()
  for _ in $(seq "$rounds"); do
    complete+=($({ "$@" --json || true; } | tr -d '\r' | python3 -c 'import json, sys
print(sum(r["bytes_recorded"] == r["bytes_expected"] for r in json.load(sys.stdin)["results"]))'))
  done
  printf '%s\n' "${complete[@]}" | spread
}
echo "12 formats side by side, formats complete (min / median / max of $rounds):"
echo "  Linux  $(matrix "$linux/varnel-probe")"
echo "  Wine   $(matrix wine "$windows/varnel-probe.exe")"
