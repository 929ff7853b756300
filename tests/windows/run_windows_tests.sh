#!/usr/bin/env bash
# Runs the tests of the Windows build (build-windows, made by scripts/build-windows) under Wine on the X
# display, inside a private PipeWire session whose default source Wine's wave input records. Without a
# WINEPREFIX a temporary prefix is made for the run and removed after it.
#   tests/windows/run_windows_tests.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/../.."
export WINEDEBUG=-all
# The programs need neither .NET nor the HTML engine: a new prefix then neither asks to download them.
export WINEDLLOVERRIDES="mscoree=;mshtml="
session=$(mktemp -d "${TMPDIR:-/tmp}/varnel-wine-session.XXXXXX")
made_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  made_prefix=$(mktemp -d "${TMPDIR:-/tmp}/varnel-wine.XXXXXX")
  export WINEPREFIX=$made_prefix
fi
finish() {
  tests/support/sound_server/session stop "$session" >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  rm -rf "$session" ${made_prefix:+"$made_prefix"}
}
trap finish EXIT

wineboot -i >/dev/null 2>&1
tests/support/sound_server/session start "$session"
set -a
. "$session/env"
set +a
ctest --test-dir build-windows --output-on-failure "$@"
