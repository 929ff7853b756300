#!/usr/bin/env bash
# The real program: "Quitter" writes the chosen format into the existing settings file, keeping what else it
# holds, and ends with status 0; without the file it writes nothing and still ends.
source "$(dirname "$0")/program_harness.sh"

conf=$XDG_CONFIG_HOME/Ostrel/PALVEX.conf
mkdir -p "$(dirname "$conf")"
printf '; written by another program\n[Other]\nKeep=yes\n' >"$conf"

start_program
# Row 36, applied with Enter, then 44100 / 16-bit / 2 chosen from their boxes with the keyboard.
xdotool windowactivate --sync "$window"
xdotool key --clearmodifiers --delay 30 $(printf 'Down %.0s' $(seq 36)) Return
wait_for numbers_line_shown || fail "Enter in the format list applied no row"
click_panel 110 131 # the rate box's drop-down button, then the list with the keyboard
xdotool key --delay 100 Down Down Return
click_panel 250 131 # bit depth
xdotool key --delay 100 Down Return
click_panel 390 131 # channels
xdotool key --delay 100 Down Return
click_panel 300 365 # Quitter
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status after Quitter"
expected='FormatTag=80
Channels=2
SamplesPerSec=44100
AvgBytesPerSec=176400
BlockAlign=4
BitsPerSample=16
cbSize=44'
got=$(grep -E '^(FormatTag|Channels|SamplesPerSec|AvgBytesPerSec|BlockAlign|BitsPerSample|cbSize)=' "$conf")
[ "$got" = "$expected" ] || fail "settings written:
$(cat "$conf")"
grep -q '^; written by another program$' "$conf" && grep -q '^Keep=yes$' "$conf" || fail "other content lost"
# Nothing is left beside the file: no lock, no temporary file.
[ "$(ls -A "$(dirname "$conf")")" = "PALVEX.conf" ] || fail "left beside the settings: $(ls -A "$(dirname "$conf")")"

# No key: nothing is created, and the program still ends.
rm -rf "$XDG_CONFIG_HOME/Ostrel"
start_program
click_panel 300 365
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status after Quitter without a settings file"
[ ! -e "$XDG_CONFIG_HOME/Ostrel" ] || fail "Quitter created the settings folder"
echo "quit test passed"
