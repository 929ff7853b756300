#!/usr/bin/env bash
# The real program started outside a graphical session says what it needs and ends with a non-zero status.
set -euo pipefail
program=$1
status=0
errors=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" 2>&1 >/dev/null) || status=$?
[ "$status" != 0 ] || { echo "FAIL: exit status 0 without a graphical session" >&2; exit 1; }
grep -q 'neither DISPLAY nor WAYLAND_DISPLAY is set' <<<"$errors" ||
  { echo "FAIL: the program said: $errors" >&2; exit 1; }
echo "no-session test passed (status $status): $errors"
