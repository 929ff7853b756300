#!/usr/bin/env bash
# varnel-probe as a script runs it: it links no window toolkit, answers bad usage with one line and status 2,
# and probes a capture device made of ALSA's file plugin, its JSON read back by Python's parser, with the
# standard streams closed or not a terminal. Argument: the program.
source "$(dirname "$0")/probe_harness.sh"

toolkit=$(ldd "$probe" | grep -i -E 'wx|gtk' || true)
[ -z "$toolkit" ] || fail "links a window toolkit: $toolkit"

# A steady level of 160 (a quarter of full scale above 8-bit silence).
use_file_device 160

for args in "--format 8000,12,1" "--bytes 0" "--device" "--nonsense" "--list-devices --bytes 10"; do
  status=0
  # shellcheck disable=SC2086
  "$probe" $args >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = 2 ] || fail "$args: status $status, not 2"
  [ ! -s "$work/out" ] || fail "$args: printed on standard output: $(cat "$work/out")"
  head -n1 "$work/err" | grep -q '^varnel-probe: ' || fail "$args: first line $(head -n1 "$work/err")"
  grep -q '^Usage: varnel-probe' "$work/err" || fail "$args: no usage"
done
"$probe" --help | grep -q '^Usage: varnel-probe' || fail "--help prints no usage"

status=0
"$probe" --json --format 11025,8,1 --format 44100,16,2 >"$work/probe.json" 2>"$work/err" || status=$?
[ "$status" = 0 ] || fail "probe of the file device: status $status: $(cat "$work/err")"
[ ! -s "$work/err" ] || fail "standard error not empty off a terminal: $(cat -v "$work/err")"
python3 -m json.tool "$work/probe.json" >/dev/null || fail "not JSON: $(cat "$work/probe.json")"
python3 - "$work/probe.json" <<'PY' || fail "unexpected JSON: $(cat "$work/probe.json")"
import json, sys
document = json.load(open(sys.argv[1]))
assert document["ok"] is True
eight, sixteen = document["results"]
assert (eight["rate"], eight["bits"], eight["channels"]) == (11025, 8, 1)
assert eight["bytes_recorded"] == 999 and sixteen["bytes_recorded"] == 996
assert eight["peak_dbfs"] == -12.04 and eight["dc_offset"] == 0.25 and eight["verdict"] == "signal"
assert eight["open"] == {"code": 0, "text": "Successful"}
PY

status=0
"$probe" --format 22050,8,2 >&- 2>&- <&- || status=$?
[ "$status" = 1 ] || fail "with the standard streams closed (the report lost): status $status, not 1"

[ "$failures" = 0 ] || exit 1
echo "probe program test passed"
