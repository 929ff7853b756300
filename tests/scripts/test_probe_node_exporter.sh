#!/usr/bin/env bash
# varnel-probe where fleet monitoring reads it: Debian's node_exporter, started here with only
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
trap '[ -z "${exporter:-}" ] || kill "$exporter"; "$session" stop "$work/session"; rm -rf "$work"' EXIT
export HOME=$work/session/home XDG_RUNTIME_DIR=$work/session/run
mkdir "$work/textfile"

# The kernel picks a free port; node_exporter names it.
prometheus-node-exporter --web.listen-address=127.0.0.1:0 --collector.disable-defaults --collector.textfile \
  --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
exporter=$!
listening() { port=$(sed -n 's/.*msg="Listening on" address=127.0.0.1:\([0-9]*\).*/\1/p' "$work/exporter.log"); }
for _ in $(seq 100); do listening && [ -n "$port" ] && break; sleep 0.1; done
[ -n "$port" ] || { cat "$work/exporter.log" >&2; echo "node_exporter did not start" >&2; exit 1; }
scrape() { python3 -c 'import sys, urllib.request as u; print(u.urlopen(sys.argv[1], timeout=5).read().decode())' "$1"; }
# The probe's report as served, at the server's own rate (no resampler rings over the level): the peak of
# both formats is the level played, given in dBFS.
served() {
  "$probe" --openmetrics --output "$work/textfile/varnel.prom" --format 48000,16,1 --format 48000,8,2 \
    --bytes 9600 --expect-signal >/dev/null && scrape "http://127.0.0.1:$port/metrics" >"$work/scrape" &&
    [ "$(grep -c "^varnel_probe_peak_dbfs{.*rate=\"48000\"} $1\$" "$work/scrape")" = 2 ]
}
# The player fills the server's buffer first, and a new volume reaches what is played a cycle later. The
# volumes are linear factors (pactl takes a bare 1 as its raw volume 1, near silence).
for volume_level in 1.0:-12.04 0.5:-18.06; do
  "$session" volume "$work/session" "${volume_level%:*}"
  for _ in $(seq 50); do served "${volume_level#*:}" 2>/dev/null && break; sleep 0.1; done
  served "${volume_level#*:}" || fail "volume ${volume_level%:*}: $(grep -E '^(varnel_probe_peak|node_textfile_scrape)' "$work/scrape")"
  report=$(promtool check metrics <"$work/textfile/varnel.prom" 2>&1) || fail "promtool check metrics: $report"
done

# The README's example alert is one Prometheus takes.
awk '/^```yaml/ {on = 1; next} /^```/ {on = 0} on' "$(dirname "$0")/../../README.md" >"$work/rules.yml"
report=$(promtool check rules "$work/rules.yml" 2>&1) || fail "the README's alert: $report"

[ "$failures" = 0 ] || exit 1
echo "probe node_exporter test passed"
