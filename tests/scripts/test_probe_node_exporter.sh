#!/usr/bin/env bash
# varnel-probe where fleet monitoring reads it: Debian's node_exporter, started here on a free port with only
# its textfile collector, reading a folder of the test's, serves what the probe wrote there with
# --openmetrics --output while recording a private PipeWire session: the level played, and after the volume
# is halved the new one. promtool accepts the report and the README's example alert. Argument: the program.
source "$(dirname "$0")/probe_harness.sh"

for tool in prometheus-node-exporter promtool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (prometheus-node-exporter, prometheus)"; exit 77; }
done
session=$(dirname "$0")/../support/sound_server/session
status=0
"$session" start "$work/session" || status=$?
[ "$status" = 77 ] && { echo "SKIP: no PipeWire session can run here"; exit 77; }
[ "$status" = 0 ] || { echo "the sound server session did not start" >&2; exit 1; }
exporter=
trap '[ -z "$exporter" ] || kill "$exporter"; "$session" stop "$work/session"; rm -rf "$work"' EXIT
export HOME=$work/session/home XDG_RUNTIME_DIR=$work/session/run
mkdir "$work/textfile"

scrape() {
  python3 -c 'import sys, urllib.request
sys.stdout.write(urllib.request.urlopen(sys.argv[1], timeout=5).read().decode())' "http://127.0.0.1:$port/metrics"
}
# A port free a moment ago may be taken by then: another is tried.
for _ in 1 2 3; do
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  prometheus-node-exporter --web.listen-address="127.0.0.1:$port" --collector.disable-defaults \
    --collector.textfile --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
  exporter=$!
  for _ in $(seq 100); do
    scrape >/dev/null 2>&1 || ! kill -0 "$exporter" 2>/dev/null && break
    sleep 0.1
  done
  scrape >/dev/null 2>&1 && break
  kill "$exporter" 2>/dev/null || true
  exporter=
done
[ -n "$exporter" ] || { cat "$work/exporter.log" >&2; echo "node_exporter did not start" >&2; exit 1; }

# The probe's report as served: the level played at the given volume. At the server's own rate no
# resampler rings over the level, so the peak is the level itself.
served_level() {
  "$probe" --openmetrics --output "$work/textfile/varnel.prom" --format 48000,16,1 --format 48000,8,2 \
    --bytes 9600 --expect-signal && scrape >"$work/scrape" && python3 - "$work/scrape" "$1" <<'PY'
import math, sys
series = dict(line.rsplit(" ", 1) for line in open(sys.argv[1]) if not line.startswith("#"))
level = 20 * math.log10(8192 * float(sys.argv[2]) / 32768)
assert float(series["node_textfile_scrape_error"]) == 0
assert float(series['varnel_probe_success{device="default"}']) == 1
for labels in ('bits="16",channels="1"', 'bits="8",channels="2"'):
    labels += ',device="default",rate="48000"'
    assert abs(float(series["varnel_probe_peak_dbfs{%s}" % labels]) - level) < 0.05, (labels, level)
    assert float(series['varnel_probe_verdict{%s,verdict="signal"}' % labels]) == 1, labels
PY
}
# The player fills the server's buffer first, and a new volume reaches what is played a cycle later.
for volume in 1.0 0.5; do  # linear factors (pactl takes a bare 1 as its raw volume 1, near silence)
  "$session" volume "$work/session" "$volume"
  for _ in $(seq 50); do served_level "$volume" >/dev/null 2>&1 && break; sleep 0.1; done
  served_level "$volume" || fail "volume $volume: $(grep -E '^(varnel_probe_(peak|verdict)|node_textfile_scrape)' "$work/scrape")"
  report=$(promtool check metrics <"$work/textfile/varnel.prom" 2>&1) || fail "promtool check metrics: $report"
done

# The README's example alert is one Prometheus takes.
awk '/^```yaml/ {on = 1; next} /^```/ {on = 0} on' "$(dirname "$0")/../../README.md" >"$work/rules.yml"
report=$(promtool check rules "$work/rules.yml" 2>&1) || fail "the README's alert: $report"

[ "$failures" = 0 ] || exit 1
echo "probe node_exporter test passed"
