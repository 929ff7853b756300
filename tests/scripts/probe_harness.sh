# Shared steps of the tests that run varnel-probe as a script would: a private home, a failure count, and a
# capture device made of ALSA's file plugin. Sourced; expects the program's path in $1.
set -euo pipefail
probe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work
unset ALSA_CONFIG_PATH XDG_RUNTIME_DIR PULSE_SERVER JACK_DEFAULT_SERVER
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# ALSA's default device records a steady level of the given byte value, whatever format is asked for.
use_file_device() {
  python3 -c "import sys; sys.stdout.buffer.write(bytes([$1]) * 65536)" >"$work/input.raw"
  cat >"$HOME/.asoundrc" <<CONF
pcm.!default { type file slave.pcm "null" file "/dev/null" infile "$work/input.raw" format "raw" }
CONF
}
