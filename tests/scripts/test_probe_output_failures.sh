#!/usr/bin/env bash
# varnel-probe's report lost on its way out is a failure: a full disk, a closed standard output or a reader
# gone give status 1 with one line on standard error, except where SIGPIPE's default action ends the program
# quietly as a shell expects (`varnel-probe | head -1`). Argument: the program.
source "$(dirname "$0")/probe_harness.sh"
use_file_device 128

# expect_failure REASON COMMAND...: status 1 and the one line that names the reason.
expect_failure() {
  local reason=$1 status=0
  shift
  "$@" 2>"$work/err" || status=$?
  [ "$status" = 1 ] || fail "$*: status $status, not 1"
  [ "$(cat "$work/err")" = "varnel-probe: the output was not written: $reason" ] ||
    fail "$*: standard error: $(cat "$work/err")"
}

for args in "--help" "--version" "--list-devices" "--list-devices --json" "--format 11025,8,1" \
  "--json --format 11025,8,1"; do
  # shellcheck disable=SC2086
  expect_failure "No space left on device" "$probe" $args >/dev/full
  # shellcheck disable=SC2086
  expect_failure "Bad file descriptor" "$probe" $args >&-
done
status=0
"$probe" --format 11025,8,1 >&- 2>&- || status=$?
[ "$status" = 1 ] || fail "with standard output and error closed: status $status, not 1"

# A reader that is gone before the report comes: killed by SIGPIPE and quiet, or, where the caller ignores
# SIGPIPE, status 1 and one line.
python3 - "$probe" <<'PY' || fail "broken pipe"
import os, signal, subprocess, sys
for ignored, status, said in ((False, -signal.SIGPIPE, b""),
                              (True, 1, b"varnel-probe: the output was not written: Broken pipe\n")):
    reader, writer = os.pipe()
    os.close(reader)
    run = subprocess.run([sys.argv[1], "--help"], stdout=writer, stderr=subprocess.PIPE,
                         restore_signals=not ignored)
    os.close(writer)
    assert (run.returncode, run.stderr) == (status, said), (ignored, run.returncode, run.stderr)
PY
first=$("$probe" --help 2>"$work/err" | head -1)
[ "$first" = "Records a buffer from a capture device with each format and says what came in." ] ||
  fail "| head -1 gave: $first"
[ ! -s "$work/err" ] || fail "| head -1 wrote on standard error: $(cat "$work/err")"

[ "$failures" = 0 ] || exit 1
echo "probe output failure test passed"
