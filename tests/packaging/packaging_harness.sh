# shellcheck shell=bash
# Shared steps of the tests that install the build or package it. Sourced; expects the build folder in $1.

set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
failures=0

# Every install from a build folder, cpack's included, rewrites its install_manifest.txt, the list a user's
# uninstall reads: keep the user's and put it back.
manifest=$build/install_manifest.txt
[ -e "$manifest" ] && cp -p "$manifest" "$work/manifest.saved"
restore_manifest() {
  if [ -e "$work/manifest.saved" ]; then cp -p "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
}
cleanup() {
  restore_manifest
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

finish() {
  [ "$failures" = 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
  echo "$1"
}

expected_files() {
  grep -v '^#' "$here/installed_files.txt" | sort
}

# The value of a key of the desktop entry's main group.
desktop_value() {
  sed -n "/^\[Desktop Entry\]/,/^\[/ s/^$2=//p" "$1"
}
