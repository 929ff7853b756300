#!/usr/bin/env bash
# The real program as a screen reader meets it, through the accessibility bus (AT-SPI) of a private D-Bus
# session, read with pyatspi as Orca reads it: every control named for what it chooses or does; every line
# the panel draws, after an apply and after TEST on a device and on no device, held at its place with its
# exact text; an apply made with the keyboard and every press announced, an apply made with the mouse not.
source "$(dirname "$0")/program_harness.sh"
reader=$(dirname "$0")/screen_reader.py
launcher=/usr/libexec/at-spi-bus-launcher
for tool in dbus-daemon dbus-send "$launcher"; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (Debian packages dbus, at-spi2-core)"
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is not installed (Debian package python3-pyatspi)"

# What the bridge serves is what is tested here.
unset NO_AT_BRIDGE
bus= a11y= listener=
trap 'kill $listener $a11y $bus 2>/dev/null; cleanup' EXIT
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile 2>"$work/bus.log" &
bus=$!
# The launcher of the accessibility bus is started here, not by activation, so that it is ended here too.
a11y_bus_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.a11y.Bus | grep -q 'boolean true'
}
wait_for test -S "$work/bus" || fail "the session bus did not start: $(cat "$work/bus.log")"
"$launcher" --launch-immediately --a11y=1 2>"$work/a11y.log" &
a11y=$!
wait_for a11y_bus_up || fail "the accessibility bus did not start: $(cat "$work/a11y.log")"

# ALSA's default device records a steady 200 from a file; "no device" is a card that is not there.
python3 -c 'import sys; sys.stdout.buffer.write(bytes([200]) * 65536)' >"$work/input.raw"
echo "pcm.!default { type file slave.pcm null file /dev/null infile \"$work/input.raw\" format raw }" >"$HOME/.asoundrc"

announced=$work/announced
/usr/bin/python3 "$reader" listen "$announced" 2>"$work/listener.log" &
listener=$!
wait_for test -e "$announced.ready" || fail "the listener did not start: $(cat "$work/listener.log")"

start_program

expected=$'table\tCapture format\t
combo box\tSample rate in hertz\t
combo box\tBit depth\t
combo box\tChannels\t
push button\tTEST\tRecords one buffer from the default capture device and reports it
push button\tQuitter\tSaves the chosen format for other programs and quits'
got=$(/usr/bin/python3 "$reader" controls)
[ "$got" = "$expected" ] || fail "controls as a screen reader finds them:
$got"
[ -z "$(/usr/bin/python3 "$reader" lines)" ] || fail "lines read before anything was drawn"

# Each announcement in turn, and the lines the tree then holds (name and text both the drawn line).
announcement_count() { [ "$(wc -l <"$announced" 2>/dev/null || echo 0)" -ge "$1" ]; }
expect_announcement() { # number, text
  wait_for announcement_count "$1" || fail "announcement $1 never came ($(cat "$announced" 2>/dev/null))"
  got=$(sed -n "$1p" "$announced")
  [ "$got" = "\"$2\"" ] || fail "announcement $1: $got, not \"$2\""
}
expect_lines() { # X,Y TEXT ...
  local want=
  while [ $# -gt 0 ]; do
    want+="$1"$'\t'"\"$2\" \"$2\""$'\n'
    shift 2
  done
  got=$(/usr/bin/python3 "$reader" lines)
  [ "$got" = "${want%$'\n'}" ] || fail "lines read:
$got
expected:
${want%$'\n'}"
}
summary='WAVE_FORMAT_PCM   11025 1 8-bit'
numbers=' 11025  8  1 '
successful="Successful$(printf '%49s' '')"
count_padding=$(printf '%10s' '')

# Enter in the list applies its row, with the keyboard: spoken.
xdotool windowactivate --sync "$window" key --clearmodifiers Return
expect_announcement 1 "WAVE_FORMAT_PCM 11025 1 8-bit. 11025 8 1"
expect_lines 80,96 "$summary" 150,150 "$numbers"

# A double click on the row applies it with the mouse: drawn, not spoken. Then TEST, spoken.
xdotool mousemove --window "$window" 100 33 click --repeat 2 --delay 80 1
click_panel 160 365
expect_announcement 2 "Successful. Reussi buffer. Trace: flat, every bar 100 pixels high. Nbr 999"
expect_lines 80,96 "$summary" 150,150 "$numbers" 40,300 "$successful" 40,320 "Reussi  buffer" \
  40,340 "Nbr 999$count_padding"

wmctrl -i -c "$window"
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status"

# No device (a card that is not there), from the start: the open fails and nothing is recorded.
echo 'pcm.!default { type hw card 7 }' >"$HOME/.asoundrc"
start_program
click_panel 160 365
expect_announcement 3 "Specified device identifier is out of range. Nbr 0"
expect_lines 40,300 "Specified device identifier is out of range." 40,340 "Nbr 0$count_padding"
[ "$(wc -l <"$announced")" = 3 ] || fail "announced more: $(cat "$announced")"
wmctrl -i -c "$window"
wait_for_exit
echo "screen reader test passed"
